// karone-server: the operator window (the default), or with --headless the
// broadcaster without a window.
#include <iostream>
#include <string>
#include <vector>

#include "app/headless/HeadlessServer.h"
#include "platform/CoreDumps.h"
#include "platform/Installation.h"
#include "platform/MemoryPolicy.h"
#include "resources/Texts.h"
#ifdef KARONE_WITH_WINDOW
#include "app/ui/ServerApp.h"
#endif

int main(int argc, char** argv) {
  using namespace karone;
  // Before anything reads a password: no core dump may hold one.
  switchOffCoreDumps();
  keepPictureBuffersInProcess();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (installation::asksForVersion(args)) {
    std::cout << installation::versionLine("karone-server") << "\n";
    return 0;
  }
  bool headless = false;
  for (const auto& a : args) headless = headless || a == "--headless";
  HeadlessOptions options;
  const std::string error = parseHeadlessOptions(args, options);
  if (!error.empty()) {
    std::cerr << formatText(Text::ServerBadOption, error.c_str()) << "\n";
    return 2;
  }
  if (options.help) {
    std::cout << text(Text::ServerUsage) << "\n" << text(Text::ServerHelp) << "\n";
    return 0;
  }
  if (headless) {
    if (options.preview) {
      std::cerr << formatText(Text::ServerBadOption, "--preview is for the window") << "\n";
      return 2;
    }
    return runHeadless(options, std::cout, std::cerr);
  }
  if (options.noStart || (options.start && options.preview) ||
      (!options.profile.empty() && !options.start) ||
      (!options.device.empty() && !options.start && !options.preview)) {
    std::cerr << formatText(Text::ServerBadOption,
                            "--profile goes with --start or --headless, --device with --start, "
                            "--preview or --headless, --no-start with --headless; --start and "
                            "--preview exclude each other")
              << "\n";
    return 2;
  }
#ifdef KARONE_WITH_WINDOW
  return runServerWindow(argc, argv, options);
#else
  std::cerr << formatText(Text::ServerBadOption, "this build has no window; use --headless") << "\n";
  return 2;
#endif
}
