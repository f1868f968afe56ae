#pragma once
// How wide a window must be for the window manager to show its whole
// title: the title in a bold 10-point face and room for the bar's icon,
// buttons and margins. Window managers differ; this is a usual bar. Boxes
// whose own contents are narrower than that (a message box with a short
// question) are widened to it.
//
// Threads: window thread.
class QString;

namespace karone {

int widthForTitle(const QString& title);

}  // namespace karone
