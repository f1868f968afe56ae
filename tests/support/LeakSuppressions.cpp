// Allocations that system libraries keep for the life of the process and
// that the leak checker of the sanitizer builds would otherwise report:
// fontconfig's configuration, loaded once when the test pattern first draws
// its clock.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
