// The JPEG step against the same compression done directly with the
// TurboJPEG API: the default quality (25), 4:2:0, integer DCT, optimised Huffman tables
// (TJ_OPTIMIZE),
// on a 320 × 240 frame and a 1920 × 240 strip.
//   BM_Convert          BMP file in, JPEG file out (what the pipeline does)
//   BM_TurboJpeg        picture in memory, JPEG in memory
//   BM_TurboJpegFiles   the same with the BMP read and the JPEG written
// A setup check makes sure both produce the same bytes.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/CameraPicture.h"
#include "capture/BmpFormat.h"
#include "platform/CaptureDefaults.h"
#include "capture/JpegEncoder.h"

namespace karone::bench {
namespace {

constexpr int kQuality = kDefaultJpegQuality;

struct Workspace {
  Workspace() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/karone-bench-XXXXXX";
    dir = ::mkdtemp(pattern.data());
  }
  ~Workspace() { std::filesystem::remove_all(dir); }
  std::string dir;
};

std::string readFile(const std::string& path) {
  std::string bytes;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return bytes;
  char chunk[65536];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  std::fclose(f);
  return bytes;
}

class TurboCompressor {
 public:
  TurboCompressor() {
    ::setenv("TJ_OPTIMIZE", "1", 1);
    handle_ = tjInitCompress();
  }
  ~TurboCompressor() {
    tjFree(buffer_);
    tjDestroy(handle_);
  }
  // BGR bottom-up rows, as the picture holds them.
  bool compress(const Picture& p) {
    if (!buffer_) buffer_ = tjAlloc(static_cast<int>(tjBufSize(p.width(), p.height(), TJSAMP_420)));
    size_ = tjBufSize(p.width(), p.height(), TJSAMP_420);
    return tjCompress2(handle_, p.bytes().data(), p.width(), static_cast<int>(p.stride()),
                       p.height(), TJPF_BGR, &buffer_, &size_, TJSAMP_420, kQuality,
                       TJFLAG_BOTTOMUP | TJFLAG_NOREALLOC | TJFLAG_ACCURATEDCT) == 0;
  }
  std::string jpeg() const { return std::string(reinterpret_cast<char*>(buffer_), size_); }

 private:
  tjhandle handle_;
  unsigned char* buffer_ = nullptr;
  unsigned long size_ = 0;
};

void BM_Convert(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  Workspace ws;
  const std::string bmp = ws.dir + "/motion_img_00000000.bmp";
  const std::string jpg = ws.dir + "/motion_img_00000000.jpg";
  const Picture picture = cameraPicture(width, height);
  writeBmp(bmp, picture);
  JpegEncoder encoder;
  for (auto _ : state) {
    ConvertResult r = encoder.Convert(bmp, jpg, kQuality);
    if (!r.ok()) state.SkipWithError(r.message.c_str());
  }
  TurboCompressor turbo;
  const bool same = turbo.compress(picture) && turbo.jpeg() == readFile(jpg);
  state.SetLabel(same ? "same bytes as TurboJPEG" : "DIFFERS FROM TurboJPEG");
  state.counters["jpeg_bytes"] = static_cast<double>(readFile(jpg).size());
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(width) * height * state.iterations() / 1e6,
                         benchmark::Counter::kIsRate);
}

void BM_TurboJpeg(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  const Picture picture = cameraPicture(width, height);
  TurboCompressor turbo;
  for (auto _ : state) {
    if (!turbo.compress(picture)) state.SkipWithError(tjGetErrorStr2(nullptr));
  }
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(width) * height * state.iterations() / 1e6,
                         benchmark::Counter::kIsRate);
}

void BM_TurboJpegFiles(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0)), height = static_cast<int>(state.range(1));
  Workspace ws;
  const std::string bmp = ws.dir + "/in.bmp";
  const std::string jpg = ws.dir + "/out.jpg";
  writeBmp(bmp, cameraPicture(width, height));
  TurboCompressor turbo;
  for (auto _ : state) {
    BmpDecodeResult read = decodeBmp(readFile(bmp));
    if (!turbo.compress(read.picture)) state.SkipWithError("compression failed");
    std::FILE* f = std::fopen(jpg.c_str(), "wb");
    const std::string out = turbo.jpeg();
    std::fwrite(out.data(), 1, out.size(), f);
    std::fclose(f);
  }
  state.counters["MP/s"] =
      benchmark::Counter(static_cast<double>(width) * height * state.iterations() / 1e6,
                         benchmark::Counter::kIsRate);
}

BENCHMARK(BM_Convert)->Args({320, 240})->Args({1920, 240})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurboJpeg)->Args({320, 240})->Args({1920, 240})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TurboJpegFiles)->Args({320, 240})->Args({1920, 240})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace karone::bench
