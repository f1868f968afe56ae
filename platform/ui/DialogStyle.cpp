#include "platform/ui/DialogStyle.h"

#include <QPainter>
#include <QPalette>
#include <QRegion>
#include <QStyleOption>
#include <qdrawutil.h>

namespace karone {

int DialogStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returnData) const {
  if (hint == SH_ComboBox_Popup) return 0;
  return QProxyStyle::styleHint(hint, option, widget, returnData);
}

QRect DialogStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                  SubControl sub, const QWidget* widget) const {
  const QRect base = QProxyStyle::subControlRect(control, option, sub, widget);
  if (control != CC_GroupBox || (sub != SC_GroupBoxFrame && sub != SC_GroupBoxContents)) {
    return base;
  }
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (box == nullptr || (box->subControls & SC_GroupBoxCheckBox) != 0) return base;
  QRect frame = box->rect;
  if (!box->text.isEmpty()) {
    const QRect label = QProxyStyle::subControlRect(control, option, SC_GroupBoxLabel, widget);
    frame.setTop(label.center().y());
  }
  if (sub == SC_GroupBoxFrame) return frame;
  return frame.adjusted(2, box->text.isEmpty() ? 2 : box->fontMetrics.height() / 2 + 2, -2, -2);
}

void DialogStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const {
  const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
  if (control != CC_GroupBox || box == nullptr || (box->subControls & SC_GroupBoxCheckBox) != 0) {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  // An etched line, as the layouts' frames are drawn, left out behind the
  // title.
  const bool titled = !box->text.isEmpty() && (box->subControls & SC_GroupBoxLabel) != 0;
  const QRect label = titled ? subControlRect(control, option, SC_GroupBoxLabel, widget) : QRect();
  if ((box->subControls & SC_GroupBoxFrame) != 0) {
    const QRect frame = subControlRect(control, option, SC_GroupBoxFrame, widget);
    painter->save();
    if (titled) {
      QRegion outside(frame);
      outside -= QRegion(label.adjusted(-2, 0, 2, 0));
      painter->setClipRegion(outside);
    }
    qDrawShadeRect(painter, frame, box->palette, /*sunken=*/true, 1, 0);
    painter->restore();
  }
  if (titled) {
    QPalette palette = box->palette;
    if (box->textColor.isValid()) palette.setColor(QPalette::WindowText, box->textColor);
    proxy()->drawItemText(painter, label, Qt::AlignCenter | Qt::TextShowMnemonic, palette,
                          (box->state & State_Enabled) != 0, box->text, QPalette::WindowText);
  }
}

}  // namespace karone
