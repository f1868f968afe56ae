#pragma once
// "色設定": brightness and contrast of the running capture device, live.
// Opening reads each property's range, default and current value; a slider
// whose property the device lacks is greyed. Every movement of a slider is
// applied to the device at once. "初期設定" sets both to the device's
// defaults and moves the sliders there. OK closes and the device keeps what
// was set; Cancel (and Esc, and closing the window) sets both back to the
// values read at opening, then closes. The device's own refusals are not
// reported: a device that rejects a value keeps its own.
//
// Threads: window thread (the thread that owns the capture graph). The
// device must run while the dialog is open.
#include <QDialog>
#include <optional>

#include "platform/VideoProcAmp.h"

class QSlider;

namespace karone {

class ColorSettingsDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ColorSettingsDialog(VideoProcAmp& procAmp, QWidget* parent = nullptr);

  void reject() override;

 private:
  struct Property {
    VideoProperty which = VideoProperty::Brightness;
    QSlider* slider = nullptr;
    std::optional<PropertyRange> range;
    int opening = 0;
  };

  void setUp(Property& property, VideoProperty which, QSlider* slider);
  void moved(Property& property, int value);
  void restoreDefaults();

  VideoProcAmp& procAmp_;
  Property brightness_;
  Property contrast_;
};

}  // namespace karone
