#pragma once
// What the leak checker of the sanitizer builds must not report: allocations
// that system libraries keep for the life of the process or abandon by
// design, and not listed at exit either (the programs' own output is what
// their tests read). Included by exactly one source file of each program and test
// executable (it defines the checker's hook).
// - fontconfig's configuration, loaded once when the test pattern first
//   draws its clock or the window its first text;
// - GLib's first quark table, left behind on purpose when the table grows
//   (lock-free readers may still hold it); it grows past its first block
//   once the GStreamer registry holds the decoders of gstreamer1.0-libav.
//   The stack shows only g_malloc, so the whole library is named;
// - the SSH session of a connection that libcurl cuts short while the
//   server is frozen (it cannot be closed in order, and libcurl drops it
//   without freeing it).
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libssh2.so\n"
         "leak:libcurl.so\n";
}

extern "C" const char* __lsan_default_options();
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
