#pragma once
// The dialog shown while the program waits for its workers before it
// closes: no title, no buttons, the single text "終了中... 少々お待ちください！...".
// Shown modal without blocking (the exit polling runs on), it ignores Esc
// and close requests; only finish() closes it.
//
// Threads: window thread.
#include <QDialog>

namespace karone {

class ExitWaitDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ExitWaitDialog(QWidget* parent = nullptr);

  // Shows it modal over its parent and returns at once.
  void start();
  void finish();

  void reject() override {}  // Esc does nothing

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  bool finishing_ = false;
};

}  // namespace karone
