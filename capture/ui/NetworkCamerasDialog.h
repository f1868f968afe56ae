#pragma once
// "ネットワークカメラ": the network cameras of the settings file, listed by
// name and address (never the password). "追加" adds the camera typed into
// the fields below the list once it passes the same checks as
// `karone-capture add` (a message box says what is wrong otherwise);
// "削除" removes the selected one. Each change is written to the settings
// file at once; the capture menu lists the change the next time it opens.
//
// Threads: window thread.
#include <QDialog>
#include <string>
#include <vector>

#include "platform/NetworkCameras.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace karone {

class Prompter;
class SettingsStorage;

class NetworkCamerasDialog final : public QDialog {
  Q_OBJECT

 public:
  NetworkCamerasDialog(SettingsStorage& storage, Prompter& prompter, QWidget* parent = nullptr);

 private:
  void fill();
  void add();
  void remove();
  void warn(const std::string& message);

  SettingsStorage& storage_;
  Prompter& prompter_;
  std::vector<NetworkCamera> cameras_;
  QListWidget* list_ = nullptr;
  QPushButton* remove_ = nullptr;
  QLineEdit* name_ = nullptr;
  QLineEdit* url_ = nullptr;
  QLineEdit* user_ = nullptr;
  QLineEdit* password_ = nullptr;
};

}  // namespace karone
