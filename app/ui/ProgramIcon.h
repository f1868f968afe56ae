#pragma once
// The program's icon, in the sizes it is drawn in (resources/icons/), for
// the window, the taskbar and the About box.
//
// Threads: window thread.
#include <QIcon>

namespace karone {

QIcon programIcon();

}  // namespace karone
