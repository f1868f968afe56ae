// karone-capture: checks a capture device by running the frame pipeline on
// it for a number of seconds at the program's frame rate and keeping every
// JPEG the pipeline hands off.
//
//   karone-capture [--list [--formats]] [--device NAME] [--mode motion|still]
//                  [--size 160x120|176x144|320x240] [--quality Q]
//                  [--seconds N] --out DIR
//   karone-capture add NAME URL [--user USER] [--password-stdin]
//   karone-capture remove NAME
//
// Mode, picture size, quality and frames per strip come from the settings
// unless given; N defaults to 13 (two strips at the default settings).
// Exit status: 0 success, 1 the device cannot be opened or
// capture fails, 2 usage errors.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/SettingsStore.h"
#include "capture/CaptureGraph.h"
#include "platform/CaptureDefaults.h"
#include "capture/CaptureGraphFrameSource.h"
#include "capture/FramePipeline.h"
#include "platform/Clock.h"
#include "platform/MemoryPolicy.h"
#include "platform/ConnectorType.h"
#include "platform/EventLoop.h"
#include "platform/Installation.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "platform/SettingsStorage.h"
#include "platform/gstreamer/GstVideoCapture.h"
#include "resources/Texts.h"
#include "tools/ToolText.h"
#include "tools/karone_capture/NetworkCameraCommands.h"
#include "tools/karone_capture/ToolHost.h"

namespace karone {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitDevice = 1;
constexpr int kExitUsage = 2;

// The program's motion frame rate.
constexpr int kFramesPerSecond = 1;

std::atomic<bool> interrupted{false};

struct Arguments {
  bool list = false;
  bool formats = false;
  std::optional<std::string> device;
  std::optional<int> mode;
  std::optional<std::pair<int, int>> size;
  std::optional<int> quality;
  int seconds = 13;
  std::string out;
};

void printLine(FILE* stream, const std::string& line) { std::fprintf(stream, "%s\n", line.c_str()); }

// One line: what is wrong and where help is.
int usageError(const std::string& why) {
  printLine(stderr, formatText(Text::CaptureToolBadOption, tools::shown(why).c_str()));
  return kExitUsage;
}

std::optional<int> parseInt(const std::string& value, int low, int high) {
  if (value.empty() || value.size() > 9) return std::nullopt;
  for (char c : value)
    if (c < '0' || c > '9') return std::nullopt;
  const int number = std::atoi(value.c_str());
  if (number < low || number > high) return std::nullopt;
  return number;
}

// Parses argv into args; returns an error text, empty on success.
std::string parse(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--list") {
      args.list = true;
      continue;
    }
    if (option == "--formats") {
      args.formats = true;
      continue;
    }
    if (option == "--help" || option == "-h") return "help";
    if (option.rfind("--", 0) != 0) return "unexpected argument " + option;
    if (i + 1 >= argc) return "missing value after " + option;
    const std::string value = argv[++i];
    if (option == "--device") {
      args.device = value;
    } else if (option == "--mode") {
      if (value == "motion") args.mode = 0;
      else if (value == "still") args.mode = 1;
      else return "unknown mode \"" + value + "\"";
    } else if (option == "--size") {
      if (value == "160x120") args.size = {{160, 120}};
      else if (value == "176x144") args.size = {{176, 144}};
      else if (value == "320x240") args.size = {{320, 240}};
      else return "unknown size \"" + value + "\"";
    } else if (option == "--quality") {
      args.quality = parseInt(value, 1, 99);
      if (!args.quality) return "quality must be 1 to 99, not \"" + value + "\"";
    } else if (option == "--seconds") {
      std::optional<int> seconds = parseInt(value, 1, 86400);
      if (!seconds) return "seconds must be 1 to 86400, not \"" + value + "\"";
      args.seconds = *seconds;
    } else if (option == "--out") {
      args.out = value;
    } else {
      return "unknown option " + option;
    }
  }
  if (args.formats && !args.list) return "--formats goes with --list";
  if (!args.list && args.out.empty()) return "--out DIR is required";
  return {};
}

const char* connectorName(int type) {
  switch (type) {
    case connector::kTuner: return "tuner";
    case connector::kComposite: return "composite";
    case connector::kSVideo: return "S-video";
    default: return nullptr;
  }
}

// Position of the device called name: exact first, then without regard to
// case; the last match wins either way.
int findDevice(const std::vector<std::string>& names, const std::string& name) {
  int exact = -1, folded = -1;
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    const std::string& candidate = names[static_cast<size_t>(i)];
    if (candidate == name) exact = i;
    if (candidate.size() == name.size() &&
        std::equal(candidate.begin(), candidate.end(), name.begin(),
                   [](char a, char b) { return std::tolower(a) == std::tolower(b); }))
      folded = i;
  }
  return exact >= 0 ? exact : folded;
}

// The kind of a listed device, and for a camera its modes, each line
// marked with the one it would run in.
void printFormats(const GstVideoCapture& system, int position, bool withModes) {
  const std::optional<ListedFormats> listed = system.formats(position);
  if (!listed) return;
  switch (listed->kind) {
    case ListedFormats::Kind::TestPattern:
      std::printf("   kind: built-in test pattern\n");
      return;
    case ListedFormats::Kind::Network:
      std::printf("   kind: network camera, %s\n", tools::shown(listed->url).c_str());
      return;
    case ListedFormats::Kind::V4l2: break;
  }
  std::printf("   kind: USB camera\n");
  if (!withModes) return;
  for (const CameraMode& mode : listed->modes) {
    const bool chosen = listed->chosen && listed->chosen->mode.encoding == mode.encoding &&
                        listed->chosen->mode.layout == mode.layout &&
                        listed->chosen->mode.width == mode.width &&
                        listed->chosen->mode.height == mode.height;
    std::printf("   %s %s\n", chosen ? "*" : " ", describeMode(mode).c_str());
  }
  std::printf("   chosen: %s\n",
              listed->chosen ? describeChoice(*listed->chosen).c_str() : "none (no usable format)");
}

int listDevices(CaptureGraph& graph, const GstVideoCapture& system, bool withModes) {
  if (!graph.enumerateDevices()) {
    printLine(stdout, "no capture devices");
    return kExitOk;
  }
  for (int i = 0; i < graph.deviceCount(); ++i) {
    const std::string name = graph.deviceName(i).value_or("");
    std::printf("%d: %s\n", i, tools::shown(name).c_str());
    printFormats(system, i, withModes);
    std::vector<int> inputs, outputs;
    const int listed = graph.listVideoInputs(i, 400, 400, inputs, outputs);
    std::string inputText;
    if (listed != CaptureGraph::kListOk) {
      inputText = "cannot be listed";
    } else if (inputs.empty()) {
      inputText = "one (no input selection)";
    } else {
      for (int type : inputs) {
        if (!inputText.empty()) inputText += ", ";
        const char* known = connectorName(type);
        inputText += known ? std::string(known) : "type " + std::to_string(type);
      }
    }
    std::printf("   inputs: %s\n", inputText.c_str());
    std::string balance = "unknown (the device cannot be opened)";
    const auto kind = system.formats(i);
    if (kind && kind->kind == ListedFormats::Kind::Network) {
      balance = "no";  // not asked of the camera: listing does not connect
    } else if (graph.bindDevice(i) && graph.buildGraph(nullptr) == CaptureGraph::kBuildOk)
      balance = graph.procAmp() != nullptr ? "yes" : "no";
    graph.teardown();
    std::printf("   brightness and contrast: %s\n", balance.c_str());
  }
  return kExitOk;
}

AppSettings loadSettings() {
  FileSettingsStorage storage;
  StderrPrompter prompter;
  SettingsStore store(storage, prompter);
  store.Load();
  return store.Get();
}

int run(const Arguments& args) {
  const AppSettings settings = loadSettings();
  GstVideoCapture system(GstCaptureOptions::withoutPreview());
  CaptureGraph graph(system);
  if (args.list) return listDevices(graph, system, args.formats);

  // The folder itself is made with the first picture (ToolHost).
  std::error_code ec;
  if (std::filesystem::exists(args.out, ec) && !std::filesystem::is_directory(args.out, ec)) {
    printLine(stderr, formatText(Text::CaptureToolNoFolder, tools::shown(args.out).c_str()));
    return kExitUsage;
  }

  const int mode = args.mode.value_or(settings.iCaptureMode == 1 ? 1 : 0);
  int quality = args.quality.value_or(settings.iCmprQuality);
  if (quality < 1 || quality > 99) quality = kDefaultJpegQuality;
  int stillPeriod = stillIntervalSeconds(settings.iStillCaptType, settings.iStillCaptTypeIndex);
  if (stillPeriod <= 0) stillPeriod = 30;

  FramePipeline::Options options;
  options.framesPerStrip =
      settings.iBufferSize >= 1 && settings.iBufferSize <= 64 ? settings.iBufferSize
                                                             : kDefaultFramesPerStrip;
  std::pair<int, int> size{settings.iImageWidth, settings.iImageHeight};
  if (size != std::pair{160, 120} && size != std::pair{176, 144})
    size = {kDefaultImageWidth, kDefaultImageHeight};
  if (args.size) size = *args.size;
  options.imageWidth = size.first;
  options.imageHeight = size.second;
  options.jpegQuality = quality;
  options.lastDeviceName = settings.strLastCaptureDevice;
  // A folder of its own, so that a running program's buffer files are safe.
  std::string buffer = paths::bufferDir() + "karone-capture-XXXXXX";
  if (::mkdtemp(buffer.data()) == nullptr) {
    printLine(stderr, formatText(Text::CaptureToolNoFolder, buffer.c_str()));
    return kExitDevice;
  }
  options.bufferFolder = buffer;

  ToolHost host(args.out);
  StderrPrompter prompter;
  CaptureGraphFrameSource source(graph);
  int status = kExitOk;
  {
    EventLoop loop;
    FramePipeline pipeline(source, loop, host.host(), prompter, SystemClock::instance(), loop,
                           options);
    host.attach(&pipeline);
    if (args.device) {
      pipeline.setDeviceIndex(findDevice(pipeline.deviceNames(), *args.device));
      if (pipeline.deviceIndex() < 0) {
        printLine(stderr,
                  formatText(Text::CaptureToolUnknownDevice, tools::shown(*args.device).c_str()));
        status = kExitDevice;
      }
    } else if (pipeline.deviceIndex() < 0) {
      printLine(stderr, text(Text::CaptureToolNoDevice));
      status = kExitDevice;
    }
    std::string deviceName;
    if (status == kExitOk) {
      deviceName = pipeline.deviceNames()[static_cast<size_t>(pipeline.deviceIndex())];
      if (pipeline.EnableDevice() != 0) {
        const std::string why = graph.lastError().empty() ? "" : ": " + graph.lastError();
        printLine(stderr, formatText(Text::CaptureToolCannotOpen, deviceName.c_str(), why.c_str()));
        status = kExitDevice;
      }
    }
    if (status == kExitOk) {
      // A still is taken at once: let the first frames arrive first.
      graph.waitForFrames(2, std::chrono::seconds(5));
      pipeline.setFramesPerSecond(kFramesPerSecond);
      pipeline.AllocateSlots(options.framesPerStrip);
      if (!pipeline.StartCapture(false, {mode, stillPeriod, false})) {
        printLine(stderr, formatText(Text::CaptureToolCannotStart, deviceName.c_str()));
        status = kExitDevice;
      }
    }
    if (status == kExitOk) {
      // The session's own timers run on the loop, in real time, for the
      // seconds asked for; a watch ends it early on a signal or when a frame
      // could not be taken.
      using std::chrono::milliseconds;
      auto watch = loop.createTimer([&] {
        if (interrupted || !pipeline.capturing()) loop.quit();
      });
      watch->start(50);
      // A tick due exactly at the end still runs.
      loop.run(std::chrono::seconds(args.seconds) + milliseconds(20));
      if (!interrupted && !pipeline.capturing()) {
        status = kExitDevice;  // a frame could not be taken; the warning says so
      }
      pipeline.StopCapture();
      watch->stop();
      // The writer finishes the picture it has (bounded: it never waits on
      // anything but the disk) and the loop takes what became of it.
      auto settled = loop.createTimer([&] {
        if (pipeline.workerIdle()) loop.quit();
      });
      settled->start(10);
      loop.run(std::chrono::seconds(30));
    }
    pipeline.disableDevice();
  }  // the writer thread ends here
  std::filesystem::remove_all(buffer, ec);
  if (status == kExitOk) {
    printLine(stdout, formatText(Text::CaptureToolSummary, host.written(), args.out.c_str()));
    if (host.failed() > 0) status = kExitDevice;
  }
  return status;
}

}  // namespace
}  // namespace karone

int main(int argc, char** argv) {
  karone::keepPictureBuffersInProcess();
  std::signal(SIGINT, [](int) { karone::interrupted = true; });
  std::signal(SIGTERM, [](int) { karone::interrupted = true; });
  if (karone::installation::asksForVersion({argv + 1, argv + argc})) {
    karone::printLine(stdout, karone::installation::versionLine("karone-capture"));
    return karone::kExitOk;
  }
  {
    karone::FileSettingsStorage storage;
    if (auto status = karone::runNetworkCameraCommand(argc, argv, storage)) return *status;
  }
  karone::Arguments args;
  const std::string error = karone::parse(argc, argv, args);
  if (error == "help") {
    karone::printLine(stdout, karone::text(karone::Text::CaptureToolUsage));
    return karone::kExitOk;
  }
  if (!error.empty()) return karone::usageError(error);
  return karone::run(args);
}
