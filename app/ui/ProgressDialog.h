#pragma once
// The progress window of the bulk deletion of buffer files: no title, the
// text "バッファークリップ消去..." and a progress bar from 0 to 100. Made hidden
// with the main window; shown centred over it while the deletion runs.
//
// Threads: window thread.
#include <QDialog>

class QProgressBar;

namespace karone {

class ProgressDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit ProgressDialog(QWidget* parent = nullptr);

  // Shows it centred over its parent, or hides it.
  void showCentred(bool visible);
  void setPercent(int percent);
  int percent() const;

  void reject() override {}  // Esc does not hide it: the deletion decides

 private:
  QProgressBar* bar_;
};

}  // namespace karone
