#include "tools/karone_capture/NetworkCameraCommands.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "platform/NetworkCameras.h"
#include "platform/SettingsStorage.h"
#include "platform/VideoCapture.h"
#include "resources/Texts.h"
#include "tools/ToolText.h"

namespace karone {
namespace {

int usage(const std::string& why) {
  std::fprintf(stderr, "%s\n", formatText(Text::CaptureToolCameraBad, tools::shown(why).c_str()).c_str());
  return 2;
}

int failure(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  return 1;
}

int add(const std::vector<std::string>& args, SettingsStorage& storage) {
  NetworkCamera camera;
  std::vector<std::string> positional;
  bool passwordFromStdin = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--user") {
      if (i + 1 >= args.size()) return usage("missing value after --user");
      camera.user = args[++i];
    } else if (args[i] == "--password-stdin") {
      passwordFromStdin = true;
    } else if (args[i].rfind("--", 0) == 0) {
      return usage("unknown option " + args[i]);
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 2) return usage("add takes a NAME and a URL");
  camera.name = positional[0];
  camera.url = positional[1];
  if (passwordFromStdin) {
    if (camera.user.empty()) return usage("--password-stdin needs --user");
    std::getline(std::cin, camera.password);
    if (!camera.password.empty() && camera.password.back() == '\r') camera.password.pop_back();
  }
  if (const std::string why = checkNetworkCamera(camera); !why.empty()) return usage(why);

  std::vector<NetworkCamera> cameras = loadNetworkCameras(storage);
  if (findCameraProblem(camera, cameras) == CameraProblem::NameTaken) {
    return failure(formatText(Text::CaptureToolCameraExists, tools::shown(camera.name).c_str()));
  }
  cameras.push_back(camera);
  if (!saveNetworkCameras(storage, cameras)) {
    auto* file = dynamic_cast<FileSettingsStorage*>(&storage);
    return failure(formatText(Text::CaptureToolCameraNotSaved, file ? file->path().c_str() : ""));
  }
  std::printf("%s\n", formatText(Text::CaptureToolCameraAdded, tools::shown(camera.name).c_str(),
                                 tools::shown(displayUrl(camera.url)).c_str())
                          .c_str());
  return 0;
}

int remove(const std::vector<std::string>& args, SettingsStorage& storage) {
  if (args.size() != 1 || args[0].rfind("--", 0) == 0) return usage("remove takes one NAME");
  std::vector<NetworkCamera> cameras = loadNetworkCameras(storage);
  // Exact name first, then without regard to case.
  auto found = std::find_if(cameras.begin(), cameras.end(),
                            [&](const NetworkCamera& c) { return c.name == args[0]; });
  if (found == cameras.end()) {
    found = std::find_if(cameras.begin(), cameras.end(),
                         [&](const NetworkCamera& c) { return sameCameraName(c.name, args[0]); });
  }
  if (found == cameras.end()) {
    return failure(formatText(Text::CaptureToolCameraMissing, tools::shown(args[0]).c_str()));
  }
  const std::string name = found->name;
  cameras.erase(found);
  if (!saveNetworkCameras(storage, cameras)) {
    auto* file = dynamic_cast<FileSettingsStorage*>(&storage);
    return failure(formatText(Text::CaptureToolCameraNotSaved, file ? file->path().c_str() : ""));
  }
  std::printf("%s\n", formatText(Text::CaptureToolCameraRemoved, tools::shown(name).c_str()).c_str());
  return 0;
}

}  // namespace

std::optional<int> runNetworkCameraCommand(int argc, char** argv, SettingsStorage& storage) {
  if (argc < 2) return std::nullopt;
  const std::string command = argv[1];
  if (command != "add" && command != "remove") return std::nullopt;
  std::vector<std::string> args(argv + 2, argv + argc);
  if (std::find(args.begin(), args.end(), "--help") != args.end()) {
    std::printf("%s\n", text(Text::CaptureToolCameraUsage));
    return 0;
  }
  return command == "add" ? add(args, storage) : remove(args, storage);
}

}  // namespace karone
