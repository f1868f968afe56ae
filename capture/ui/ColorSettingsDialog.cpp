#include "capture/ui/ColorSettingsDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <algorithm>

#include "platform/ui/DialogFont.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/QtText.h"
#include "resources/Texts.h"

namespace karone {
namespace {

// The layout, in dialog units.
constexpr int kWidth = 186;
constexpr int kHeight = 92;

}  // namespace

ColorSettingsDialog::ColorSettingsDialog(VideoProcAmp& procAmp, QWidget* parent)
    : QDialog(parent), procAmp_(procAmp) {
  setObjectName("colourSettingsDialog");
  setWindowTitle(qtext(Text::MenuColourSettings));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(dialogFont());
  const DialogUnits units(font());
  setFixedSize(units.toPixels(kWidth, kHeight));

  auto* brightnessLabel = new QLabel(qtext(Text::ColourBrightness), this);
  brightnessLabel->setObjectName("brightnessLabel");
  units.place(*brightnessLabel, 7, 7, 80, 8);
  auto* brightnessSlider = new QSlider(Qt::Horizontal, this);
  brightnessSlider->setObjectName("brightnessSlider");
  brightnessSlider->setProperty("controlId", 1090);
  units.place(*brightnessSlider, 7, 17, 172, 15);

  auto* contrastLabel = new QLabel(qtext(Text::ColourContrast), this);
  contrastLabel->setObjectName("contrastLabel");
  units.place(*contrastLabel, 7, 38, 80, 8);
  auto* contrastSlider = new QSlider(Qt::Horizontal, this);
  contrastSlider->setObjectName("contrastSlider");
  contrastSlider->setProperty("controlId", 1091);
  units.place(*contrastSlider, 7, 48, 172, 15);

  auto* defaults = new QPushButton(qtext(Text::ColourDefaults), this);
  defaults->setObjectName("defaultsButton");
  defaults->setProperty("controlId", 1092);
  defaults->setAutoDefault(false);
  units.place(*defaults, 7, 71, 50, 14);
  auto* ok = new QPushButton(qtext(Text::ButtonOk), this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  units.place(*ok, 72, 71, 50, 14);
  auto* cancel = new QPushButton(qtext(Text::ButtonCancel), this);
  cancel->setObjectName("cancelButton");
  cancel->setAutoDefault(false);
  units.place(*cancel, 129, 71, 50, 14);

  setUp(brightness_, VideoProperty::Brightness, brightnessSlider);
  setUp(contrast_, VideoProperty::Contrast, contrastSlider);

  connect(brightnessSlider, &QSlider::valueChanged, this,
          [this](int value) { moved(brightness_, value); });
  connect(contrastSlider, &QSlider::valueChanged, this,
          [this](int value) { moved(contrast_, value); });
  connect(defaults, &QPushButton::clicked, this, &ColorSettingsDialog::restoreDefaults);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &ColorSettingsDialog::reject);
}

void ColorSettingsDialog::setUp(Property& property, VideoProperty which, QSlider* slider) {
  property.which = which;
  property.slider = slider;
  property.range = procAmp_.range(which);
  const QSignalBlocker quiet(slider);
  if (!property.range) {
    slider->setEnabled(false);
    return;
  }
  const PropertyRange& range = *property.range;
  property.opening = procAmp_.get(which).value_or(range.defaultValue);
  slider->setRange(range.minimum, range.maximum);
  slider->setSingleStep(range.step > 0 ? range.step : 1);
  slider->setPageStep(std::max(slider->singleStep(), (range.maximum - range.minimum) / 10));
  slider->setValue(property.opening);
}

void ColorSettingsDialog::moved(Property& property, int value) {
  if (property.range) procAmp_.set(property.which, value);
}

void ColorSettingsDialog::restoreDefaults() {
  for (Property* property : {&brightness_, &contrast_}) {
    if (!property->range) continue;
    procAmp_.set(property->which, property->range->defaultValue);
    const QSignalBlocker quiet(property->slider);
    property->slider->setValue(property->range->defaultValue);
  }
}

void ColorSettingsDialog::reject() {
  for (Property* property : {&brightness_, &contrast_}) {
    if (property->range) procAmp_.set(property->which, property->opening);
  }
  QDialog::reject();
}

}  // namespace karone
