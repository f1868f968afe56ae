// "色設定" on the real test-pattern device, whose brightness and contrast
// run from -1000 to 1000 with 0 as the default.
#include "capture/ui/ColorSettingsDialog.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSlider>

#include "platform/gstreamer/GstVideoCapture.h"
#include "tests/support/ui/LayoutCheck.h"
#include "tests/support/ui/WidgetRender.h"

namespace karone {
namespace {

class ColorSettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GstCaptureOptions options;
    options.testPattern = {160, 120, 30, true};
    options.listCameras = false;
    capture_ = std::make_unique<GstVideoCapture>(options);
    auto names = capture_->listDevices();
    ASSERT_TRUE(names && !names->empty());
    device_ = capture_->openDevice(0);
    ASSERT_NE(device_, nullptr);
    ASSERT_EQ(device_->start([](const FrameRef&) {}, nullptr), StartResult::Started);
    amp_ = device_->procAmp();
    ASSERT_NE(amp_, nullptr);
  }
  void TearDown() override {
    if (device_) device_->stop();
  }

  int value(VideoProperty p) { return amp_->get(p).value_or(-9999); }
  static QSlider* slider(QDialog& d, const char* name) { return d.findChild<QSlider*>(name); }
  static QPushButton* button(QDialog& d, const char* name) {
    return d.findChild<QPushButton*>(name);
  }

  std::unique_ptr<GstVideoCapture> capture_;
  std::unique_ptr<VideoDevice> device_;
  VideoProcAmp* amp_ = nullptr;
};

TEST_F(ColorSettingsDialogTest, SlidersAreLiveAndCancelRestoresTheValuesReadAtOpening) {
  ASSERT_TRUE(amp_->set(VideoProperty::Brightness, 100));
  ASSERT_TRUE(amp_->set(VideoProperty::Contrast, -200));
  ColorSettingsDialog dialog(*amp_);
  dialog.show();
  QSlider* brightness = slider(dialog, "brightnessSlider");
  QSlider* contrast = slider(dialog, "contrastSlider");
  ASSERT_TRUE(brightness && contrast);
  EXPECT_EQ(brightness->minimum(), -1000);
  EXPECT_EQ(brightness->maximum(), 1000);
  EXPECT_EQ(brightness->value(), 100);
  EXPECT_EQ(contrast->value(), -200);

  brightness->setValue(450);
  contrast->setValue(700);
  EXPECT_EQ(value(VideoProperty::Brightness), 450);  // at once
  EXPECT_EQ(value(VideoProperty::Contrast), 700);

  button(dialog, "cancelButton")->click();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(value(VideoProperty::Brightness), 100);  // the opening values, not the defaults
  EXPECT_EQ(value(VideoProperty::Contrast), -200);
}

TEST_F(ColorSettingsDialogTest, DefaultsThenOkLeavesTheDeviceAtItsDefaults) {
  ASSERT_TRUE(amp_->set(VideoProperty::Brightness, 300));
  ASSERT_TRUE(amp_->set(VideoProperty::Contrast, 500));
  ColorSettingsDialog dialog(*amp_);
  dialog.show();
  button(dialog, "defaultsButton")->click();
  EXPECT_EQ(slider(dialog, "brightnessSlider")->value(), 0);
  EXPECT_EQ(slider(dialog, "contrastSlider")->value(), 0);
  EXPECT_EQ(value(VideoProperty::Brightness), 0);
  EXPECT_EQ(value(VideoProperty::Contrast), 0);
  button(dialog, "okButton")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(value(VideoProperty::Brightness), 0);
  EXPECT_EQ(value(VideoProperty::Contrast), 0);
}

TEST_F(ColorSettingsDialogTest, EscapeCancelsAndTheLayoutFits) {
  ASSERT_TRUE(amp_->set(VideoProperty::Brightness, -50));
  ColorSettingsDialog dialog(*amp_);
  dialog.show();
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("色設定"));
  EXPECT_TRUE(testing::layoutProblems(dialog).empty())
      << ::testing::PrintToString(testing::layoutProblems(dialog));
  EXPECT_FALSE(testing::renderToPng(dialog, "ColorSettingsDialog").empty());
  slider(dialog, "brightnessSlider")->setValue(-900);
  dialog.reject();  // Esc and the window's close button come here
  EXPECT_EQ(value(VideoProperty::Brightness), -50);
}

// A device that has brightness only.
class BrightnessOnly final : public VideoProcAmp {
 public:
  std::optional<PropertyRange> range(VideoProperty p) override {
    if (p != VideoProperty::Brightness) return std::nullopt;
    return PropertyRange{0, 255, 1, 128};
  }
  std::optional<int> get(VideoProperty p) override {
    return p == VideoProperty::Brightness ? std::optional<int>(value) : std::nullopt;
  }
  bool set(VideoProperty p, int v) override {
    if (p != VideoProperty::Brightness) {
      ++contrastSets;
      return false;
    }
    value = v;
    return true;
  }
  int value = 40;
  int contrastSets = 0;
};

TEST(ColorSettingsDialog, AMissingPropertyGreysItsSliderAndIsNeverSet) {
  BrightnessOnly amp;
  ColorSettingsDialog dialog(amp);
  dialog.show();
  EXPECT_TRUE(dialog.findChild<QSlider*>("brightnessSlider")->isEnabled());
  EXPECT_FALSE(dialog.findChild<QSlider*>("contrastSlider")->isEnabled());
  dialog.findChild<QPushButton*>("defaultsButton")->click();
  EXPECT_EQ(amp.value, 128);
  dialog.reject();
  EXPECT_EQ(amp.value, 40);
  EXPECT_EQ(amp.contrastSets, 0);
}

}  // namespace
}  // namespace karone
