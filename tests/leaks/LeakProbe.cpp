// Loses a block and exits normally, so the leak checker reports at exit or
// keeps quiet. "own": the block is allocated by our own code, which the
// checker must name. "system": it is allocated inside the D-Bus client
// library (a message built and never freed), which the compiled-in list of
// system libraries keeps out of the report.
#include <cstdio>
#include <cstring>
#include <dlfcn.h>

namespace {
void* volatile g_kept = nullptr;
} // namespace

int* LeakOnPurpose()
{
    return new int[64];
}

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "own") == 0) {
        g_kept = LeakOnPurpose();
    } else if (std::strcmp(mode, "system") == 0) {
        void* library = dlopen("libdbus-1.so.3", RTLD_NOW);
        if (!library) {
            std::fprintf(stderr, "leak probe: no D-Bus client library: %s\n", dlerror());
            return 2;
        }
        using NewSignal = void* (*)(const char*, const char*, const char*);
        const auto newSignal = reinterpret_cast<NewSignal>(dlsym(library, "dbus_message_new_signal"));
        if (!newSignal) {
            std::fprintf(stderr, "leak probe: dbus_message_new_signal not found\n");
            return 2;
        }
        g_kept = newSignal("/probe", "org.example.Probe", "Lost");
    } else {
        std::fprintf(stderr, "usage: trivex_leak_probe own|system\n");
        return 2;
    }
    g_kept = nullptr;
    std::puts("block lost");
    return 0;
}
