#pragma once
// Date and time fields the way their users expect them: a plain click
// selects the section (hour, minute, year ...) under the pointer, so that
// what is typed next replaces it. Without this a click only places the
// cursor, and typing into a full section is refused, so nothing happens
// until the section is selected with the arrow keys. A drag still selects
// what it covers.
//
// Threads: window thread.
class QDateTimeEdit;

namespace karone {

void selectSectionOnClick(QDateTimeEdit& edit);

}  // namespace karone
