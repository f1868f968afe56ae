// Allocations that system libraries keep for the life of the process (for
// example fontconfig's configuration, loaded when the test pattern first
// draws its clock or the window its first text); the leak checker of the
// sanitizer builds would otherwise fail every run of the program.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
