#include "capture/CaptureWindow.h"

#include <gtest/gtest.h>

#include "resources/Texts.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/doubles/ManualTaskRunner.h"
#include "tests/doubles/RecordingPrompter.h"
#include "tests/doubles/ScriptedVideoCapture.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

namespace cm = capturemenu;

std::string t(Text id) { return text(id); }

// The window's calls recorded, and the reconnect countdown stops among the
// pipeline's events.
class Host final : public CaptureWindowHost {
 public:
  PipelineHost pipelineHost() {
    PipelineHost host;
    host.onEvent = [this](const PipelineEvent& event) {
      if (const auto* stop = std::get_if<pipelineevent::StopReconnectCountdown>(&event))
        reconnectStops.push_back(stop->announce);
    };
    return host;
  }
  void openCaptureSettings() override { ++captureSettings; }
  void openColourSettings(VideoProcAmp&) override { ++colourSettings; }
  void openAbout() override { ++about; }
  void ShowStatus(const std::string& line) override { lines.push_back(line); }

  std::vector<bool> reconnectStops;
  std::vector<std::string> lines;
  int captureSettings = 0;
  int colourSettings = 0;
  int about = 0;
};

struct Rig {
  explicit Rig(std::vector<ScriptedDevice> devices, std::string lastDevice = {}) {
    for (const auto& d : devices) system.addDevice(d);
    FramePipeline::Options options;
    options.bufferFolder = dir.path();
    options.lastDeviceName = std::move(lastDevice);
    window = std::make_unique<CaptureWindow>(system, runner, host, host.pipelineHost(), prompter,
                                             clock, timers, nullptr, options);
  }
  const CaptureMenuItem* item(const CaptureMenu& menu, const std::string& text) {
    for (const auto& i : menu.items)
      if (i.text == text) return &i;
    return nullptr;
  }

  testing::TempDir dir;
  ScriptedVideoCapture system;
  ManualTaskRunner runner;
  Host host;
  RecordingPrompter prompter;
  FakeClock clock;
  FakeTimerQueue timers{clock};
  std::unique_ptr<CaptureWindow> window;
};

ScriptedDevice device(const std::string& name, std::vector<int> inputs = {}) {
  ScriptedDevice d;
  d.name = name;
  d.crossbarInputs = std::move(inputs);
  if (!d.crossbarInputs.empty()) d.crossbarOutputs = {12};
  return d;
}

TEST(CaptureWindowMenu, ShowsTheDevicesStateAndFollowsThePreview) {
  Rig rig({device("USB Camera"), device(kTestPatternDeviceName, {2, 3, 1})});
  CaptureMenu menu = rig.window->menu();
  ASSERT_EQ(menu.items.size(), 9u);
  EXPECT_EQ(menu.items[0].command, cm::kPreview);
  EXPECT_EQ(menu.items[0].text, t(Text::MenuPreviewStart));
  EXPECT_EQ(menu.items[6].command, cm::kNetworkCameras);
  EXPECT_TRUE(menu.items[7].separator);
  EXPECT_EQ(menu.items[8].command, cm::kAbout);

  const CaptureMenuItem* sizes = rig.item(menu, t(Text::MenuImageSize));
  ASSERT_NE(sizes, nullptr);
  EXPECT_EQ((std::vector<bool>{sizes->submenu[0].checked, sizes->submenu[1].checked,
                               sizes->submenu[2].checked}),
            (std::vector<bool>{false, false, true}));

  // The video inputs in pin order; the first one is taken while none is set.
  const CaptureMenuItem* sources = rig.item(menu, t(Text::MenuVideoSource));
  ASSERT_NE(sources, nullptr);
  ASSERT_EQ(sources->submenu.size(), 3u);
  EXPECT_EQ(sources->submenu[0].text, t(Text::VideoSourceComposite));
  EXPECT_EQ(sources->submenu[0].command, cm::kVideoSourceBase + 2);
  EXPECT_TRUE(sources->submenu[0].checked);
  EXPECT_EQ(sources->submenu[2].text, t(Text::VideoSourceTuner));
  EXPECT_EQ(rig.window->pipeline().videoSource(), 2);

  // Every device by name, the bound one checked.
  const CaptureMenuItem* devices = rig.item(menu, t(Text::MenuCaptureDevice));
  ASSERT_NE(devices, nullptr);
  ASSERT_EQ(devices->submenu.size(), 2u);
  EXPECT_EQ(devices->submenu[0].text, "USB Camera");
  EXPECT_FALSE(devices->submenu[0].checked);
  EXPECT_TRUE(devices->submenu[1].checked);

  EXPECT_FALSE(rig.item(menu, t(Text::MenuColourSettings))->enabled) << "preview off";
  rig.window->onMenuCommand(cm::kPreview);
  EXPECT_TRUE(rig.window->pipeline().graphRunning());
  EXPECT_EQ(rig.host.reconnectStops, std::vector<bool>{true});
  menu = rig.window->menu();
  EXPECT_EQ(menu.items[0].text, t(Text::MenuPreviewStop));
  EXPECT_TRUE(rig.item(menu, t(Text::MenuColourSettings))->enabled);
  rig.window->onMenuCommand(cm::kColourSettings);
  EXPECT_EQ(rig.host.colourSettings, 1);
}

TEST(CaptureWindowMenu, LockedOrCapturingGreysTheCommandsThatWouldChangeTheSession) {
  Rig rig({device(kTestPatternDeviceName)});
  rig.window->pipeline().setLocked(true);
  CaptureMenu menu = rig.window->menu();
  EXPECT_FALSE(menu.items[0].enabled);
  EXPECT_FALSE(rig.item(menu, t(Text::MenuCaptureSettings))->enabled);
  for (const auto& size : rig.item(menu, t(Text::MenuImageSize))->submenu)
    EXPECT_FALSE(size.enabled);
  EXPECT_FALSE(rig.item(menu, t(Text::MenuCaptureDevice))->enabled);
  EXPECT_TRUE(rig.item(menu, t(Text::MenuAbout))->enabled);
  // And the commands are ignored.
  rig.window->onMenuCommand(cm::kSize160x120);
  rig.window->onMenuCommand(cm::kPreview);
  rig.window->onMenuCommand(cm::kCaptureSettings);
  EXPECT_EQ(rig.window->pipeline().imageWidth(), 320);
  EXPECT_FALSE(rig.window->pipeline().graphRunning());
  EXPECT_EQ(rig.host.captureSettings, 0);

  rig.window->pipeline().setLocked(false);
  rig.window->onMenuCommand(cm::kSize176x144);
  EXPECT_EQ(rig.window->pipeline().imageWidth(), 176);
  EXPECT_EQ(rig.window->pipeline().imageHeight(), 144);
  rig.window->onMenuCommand(cm::kCaptureSettings);
  EXPECT_EQ(rig.host.captureSettings, 1);
}

TEST(CaptureWindowMenu, VideoSourcesWithoutNamesOrWithoutInputs) {
  {
    Rig rig({device(kTestPatternDeviceName, {6, 9})});
    const CaptureMenu menu = rig.window->menu();
    const CaptureMenuItem* sources = rig.item(menu, t(Text::MenuVideoSource));
    ASSERT_NE(sources, nullptr);
    EXPECT_TRUE(sources->submenu.empty());
    EXPECT_EQ(rig.window->pipeline().videoSource(), 6);
  }
  {
    Rig rig({device(kTestPatternDeviceName)});
    rig.window->pipeline().setVideoSource(3);
    CaptureMenu menu = rig.window->menu();
    EXPECT_FALSE(rig.item(menu, t(Text::MenuVideoSource))->enabled);
    EXPECT_EQ(rig.window->pipeline().videoSource(), -1);
  }
}

TEST(CaptureWindowMenu, AnUnknownCameraCanBeChosenAndIsPreferredNextTime) {
  Rig rig({device("USB Camera")});
  EXPECT_EQ(rig.window->pipeline().deviceIndex(), -1) << "not among the preferred names";
  CaptureMenu menu = rig.window->menu();
  ASSERT_EQ(menu.items.size(), 1u) << "only the choice of a device";
  ASSERT_EQ(menu.items[0].submenu.size(), 1u);
  EXPECT_EQ(menu.items[0].submenu[0].text, "USB Camera");
  rig.window->onMenuCommand(menu.items[0].submenu[0].command);
  EXPECT_EQ(rig.window->pipeline().deviceIndex(), 0);
  EXPECT_EQ(rig.window->lastDeviceName(), "USB Camera");
  rig.window->onMenuCommand(cm::kPreview);
  EXPECT_TRUE(rig.window->pipeline().graphRunning());

  // At the next start the stored name is preferred.
  Rig again({device("USB Camera")}, "USB Camera");
  EXPECT_EQ(again.window->pipeline().deviceIndex(), 0);
  EXPECT_EQ(again.window->lastDeviceName(), "USB Camera");
}

TEST(CaptureWindowMenu, PreviewFailuresWarnAndSayWhy) {
  ScriptedDevice broken = device(kTestPatternDeviceName);
  broken.failsToStart = true;
  Rig rig({broken});
  rig.window->onMenuCommand(cm::kPreview);
  EXPECT_FALSE(rig.window->pipeline().graphRunning());
  ASSERT_EQ(rig.prompter.prompts().size(), 1u);
  EXPECT_EQ(rig.prompter.prompts()[0].text, t(Text::DeviceNotFound));
  EXPECT_EQ(rig.prompter.prompts()[0].caption, t(Text::DeviceNotFoundCaption));
  EXPECT_EQ(rig.host.lines.size(), 1u) << "the reason in the status monitor";

  ScriptedDevice noGrabber = device(kTestPatternDeviceName);
  noGrabber.grabberMissing = true;
  Rig second({noGrabber});
  second.window->onMenuCommand(cm::kPreview);
  ASSERT_EQ(second.prompter.prompts().size(), 1u);
  EXPECT_EQ(second.prompter.prompts()[0].caption, t(Text::GrabberMissingCaption));
}

}  // namespace
}  // namespace karone
