#pragma once
// The font of every window and dialog: 8 point "ＭＳ Ｐゴシック", which this
// system does not have. Its metric-compatible stand-in IPA P Gothic
// (IPAPGothic, from fonts-ipafont-gothic) takes its place; when that is
// missing, another installed Japanese font does, so Japanese text never
// shows as boxes. The size is 8 point at the screen's logical resolution,
// rounded to whole pixels as the dialogs were laid out (11 pixels at 96 dpi).
//
// Threads: the window thread (it asks the font database and the screen).
#include <QFont>
#include <QString>
#include <QStringList>

namespace karone {

// The family the layouts were designed for.
inline constexpr const char* kDesignFontFamily = "ＭＳ Ｐゴシック";
inline constexpr int kDesignFontPoints = 8;

// The dialog font. Also registers the stand-ins as substitutes of the
// design family, so a font asked for by that name resolves to them too.
QFont dialogFont();

// The installed families that stand in for the design family, best first
// (empty when no Japanese font is installed at all).
QStringList dialogFontFamilies();

}  // namespace karone
