#pragma once
// How the programs that broadcast keep their memory. A broadcast makes and
// drops large picture buffers every second for as long as it runs: a camera
// frame in BGR, its bottom-up copy, the scaled picture, a strip (megabytes
// each). By default the C library would hand each back to the kernel when
// it is freed and map it anew for the next, paying a page fault and a
// zeroed page for every 4 KB of it each time: for a 1280 x 720 camera about
// as much CPU as everything else the program does besides decoding. Keeping
// such buffers in the process costs a few megabytes, once.
//
// Call once, at the start of main, before any thread is started.
namespace karone {

void keepPictureBuffersInProcess();

}  // namespace karone
