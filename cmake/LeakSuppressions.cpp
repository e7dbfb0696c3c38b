// Linked into every program of the sanitizer and the fuzz build. The
// leak checker reports at exit what system libraries keep allocated for the
// life of the process (the D-Bus client library's connection and message
// data, the font configuration's caches); those are not ours to free, and a
// report would turn every normal exit into exit code 1. Each suppression
// names one system library; leaks of our own code are still reported.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n"
           "leak:libfontconfig.so\n";
}

// The list of suppressions used would end the standard error of every
// program; it is no finding.
extern "C" const char* __lsan_default_options()
{
    return "print_suppressions=0";
}

// The sanitizer runtime of this compiler still tells a dynamic TLS block of
// glibc 2.19 by the block's offset in its page; a newer glibc's block lands
// on that offset now and then, and the leak checker's tracer then reads a
// range that is not memory and crashes at exit after every test passed.
// Dynamic TLS is not tracked; every other root (stacks, static TLS, globals)
// still is, so a leak of our own is still found.
extern "C" const char* __asan_default_options()
{
    return "intercept_tls_get_addr=0";
}
