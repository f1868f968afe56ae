// karone-server: the operator window (the default), or with --headless the
// broadcaster without a window.
#include <iostream>
#include <string>
#include <vector>

#include "app/headless/HeadlessServer.h"
#include "resources/Texts.h"
#ifdef KARONE_WITH_WINDOW
#include "app/ui/ServerApp.h"
#endif

int main(int argc, char** argv) {
  using namespace karone;
  std::vector<std::string> args(argv + 1, argv + argc);
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
  if (headless) return runHeadless(options, std::cout, std::cerr);
  if (options.noStart || ((!options.profile.empty() || !options.device.empty()) && !options.start)) {
    std::cerr << formatText(Text::ServerBadOption,
                            "--profile and --device go with --start or --headless, --no-start "
                            "with --headless")
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
