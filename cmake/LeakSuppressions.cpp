// Linked into every program and test program of the sanitizer build. The
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
