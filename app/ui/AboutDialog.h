#pragma once
// "バージョン情報": the program's icon, its name with the version, a line on
// the platform it runs on, and OK.
//
// Threads: window thread.
#include <QDialog>

namespace karone {

class AboutDialog final : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace karone
