#pragma once
// Dialogs that the run controller's tests answer: each call is recorded and
// answered from what the test queued (Cancel when nothing is queued).
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "app/Dialogs.h"

namespace karone::testing {

class FakeDialogs final : public Dialogs {
 public:
  std::optional<ProfileInfo> editProfile(const ProfileEditRequest& request) override {
    profileRequests.push_back(request);
    if (profileAnswers.empty()) return std::nullopt;
    auto answer = profileAnswers.front();
    profileAnswers.pop_front();
    return answer;
  }
  bool editCaptureSettings(CaptureSettings& values,
                           const std::vector<std::string>& profileNames) override {
    captureSettingsProfiles = profileNames;
    captureSettingsShown.push_back(values);
    if (!captureSettingsAnswer) return false;
    values = *captureSettingsAnswer;
    return true;
  }
  void showScheduler(SchedulerContext&) override { ++schedulerShown; }
  void showColourSettings(VideoProcAmp&) override { ++colourSettingsShown; }
  void showAbout() override { ++aboutShown; }

  std::deque<std::optional<ProfileInfo>> profileAnswers;
  std::vector<ProfileEditRequest> profileRequests;
  std::optional<CaptureSettings> captureSettingsAnswer;
  std::vector<CaptureSettings> captureSettingsShown;
  std::vector<std::string> captureSettingsProfiles;
  int schedulerShown = 0;
  int colourSettingsShown = 0;
  int aboutShown = 0;
};

}  // namespace karone::testing
