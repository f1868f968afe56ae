// Allocations that fontconfig keeps for the life of the process (loaded when
// the test pattern first draws its clock); the leak checker of the sanitizer
// builds would otherwise fail every run of the tool.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
