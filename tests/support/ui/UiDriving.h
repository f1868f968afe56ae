#pragma once
// Driving real widgets from a test: run the event loop until something is
// true, answer the next modal dialog or message box when it appears, find a
// button by its text.
#include <QString>
#include <chrono>
#include <functional>

class QAbstractButton;
class QWidget;

namespace karone::testing {

// Processes events until done() is true or the limit passes; true when done.
bool processEventsUntil(const std::function<bool()>& done,
                        std::chrono::milliseconds limit = std::chrono::seconds(60));

// Arranges for act to be called with the next modal widget that shows (for
// a dialog or message box about to be run with exec()). Gives up silently
// after the limit (long enough for a machine under load: a modal that shows
// after it would wait for ever).
void whenModalShows(std::function<void(QWidget&)> act,
                    std::chrono::milliseconds limit = std::chrono::seconds(60));
// The same for the next modal widget of this object name, for a dialog that
// opens over another modal one.
void whenModalShows(const QString& objectName, std::function<void(QWidget&)> act,
                    std::chrono::milliseconds limit = std::chrono::seconds(60));

// The button of w (or its children) whose text, without '&', is text.
QAbstractButton* findButton(QWidget& w, const QString& text);

}  // namespace karone::testing
