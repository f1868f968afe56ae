#include "capture/ui/NetworkCamerasDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "platform/Prompter.h"
#include "platform/SettingsStorage.h"
#include "platform/ui/DialogFont.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/QtText.h"
#include "resources/Texts.h"

namespace karone {
namespace {

// The layout, in dialog units.
constexpr int kWidth = 250;
constexpr int kHeight = 172;

Text problemText(CameraProblem problem) {
  switch (problem) {
    case CameraProblem::NoName: return Text::NetworkCameraNoName;
    case CameraProblem::LongName: return Text::NetworkCameraLongName;
    case CameraProblem::ControlCharacter: return Text::NetworkCameraControlCharacter;
    case CameraProblem::UnsupportedAddress: return Text::NetworkCameraBadAddress;
    case CameraProblem::NoHost: return Text::NetworkCameraNoHost;
    case CameraProblem::CredentialsInAddress: return Text::NetworkCameraCredentialsInAddress;
    case CameraProblem::PasswordWithoutUser: return Text::NetworkCameraPasswordWithoutUser;
    case CameraProblem::NameTaken:
    case CameraProblem::None: break;
  }
  return Text::NetworkCameraNameTaken;
}

std::string utf8(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

NetworkCamerasDialog::NetworkCamerasDialog(SettingsStorage& storage, Prompter& prompter,
                                           QWidget* parent)
    : QDialog(parent), storage_(storage), prompter_(prompter) {
  setObjectName("networkCamerasDialog");
  setWindowTitle(qtext(Text::NetworkCamerasTitle));
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setFont(dialogFont());
  const DialogUnits units(font());
  setFixedSize(units.toPixels(kWidth, kHeight));

  auto label = [&](Text t, const char* name, int x, int y, int w) {
    auto* l = new QLabel(qtext(t), this);
    l->setObjectName(name);
    units.place(*l, x, y, w, 8);
  };
  auto edit = [&](const char* name, int x, int y, int w) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    units.place(*e, x, y, w, 12);
    return e;
  };
  label(Text::NetworkCamerasList, "listLabel", 7, 7, 120);
  list_ = new QListWidget(this);
  list_->setObjectName("cameraList");
  units.place(*list_, 7, 17, 236, 58);
  remove_ = new QPushButton(qtext(Text::NetworkCamerasRemove), this);
  remove_->setObjectName("removeButton");
  remove_->setAutoDefault(false);
  units.place(*remove_, 193, 79, 50, 14);

  label(Text::NetworkCamerasName, "nameLabel", 7, 101, 40);
  name_ = edit("nameEdit", 50, 99, 193);
  label(Text::NetworkCamerasUrl, "urlLabel", 7, 117, 40);
  url_ = edit("urlEdit", 50, 115, 193);
  url_->setPlaceholderText(qtext(Text::NetworkCamerasHint));
  label(Text::NetworkCamerasUser, "userLabel", 7, 133, 40);
  user_ = edit("userEdit", 50, 131, 76);
  label(Text::NetworkCamerasPassword, "passwordLabel", 131, 133, 42);
  password_ = edit("passwordEdit", 175, 131, 68);
  password_->setEchoMode(QLineEdit::Password);

  auto* add = new QPushButton(qtext(Text::NetworkCamerasAdd), this);
  add->setObjectName("addButton");
  add->setDefault(true);
  units.place(*add, 136, 151, 50, 14);
  auto* close = new QPushButton(qtext(Text::NetworkCamerasClose), this);
  close->setObjectName("closeButton");
  close->setAutoDefault(false);
  units.place(*close, 193, 151, 50, 14);

  connect(add, &QPushButton::clicked, this, &NetworkCamerasDialog::add);
  connect(remove_, &QPushButton::clicked, this, &NetworkCamerasDialog::remove);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(list_, &QListWidget::currentRowChanged, this,
          [this](int row) { remove_->setEnabled(row >= 0); });
  cameras_ = loadNetworkCameras(storage_);
  fill();
}

void NetworkCamerasDialog::fill() {
  list_->clear();
  for (const NetworkCamera& camera : cameras_) {
    list_->addItem(QString::fromStdString(camera.name + "  —  " + displayUrl(camera.url)));
  }
  remove_->setEnabled(false);
}

void NetworkCamerasDialog::warn(const std::string& message) {
  prompter_.ask(message, text(Text::NetworkCamerasTitle), PromptButtons::Ok,
                PromptIcon::Warning);
}

void NetworkCamerasDialog::add() {
  const NetworkCamera camera{utf8(name_), utf8(url_), utf8(user_), utf8(password_)};
  // Read again: the command line may have changed the list meanwhile.
  std::vector<NetworkCamera> cameras = loadNetworkCameras(storage_);
  if (const CameraProblem problem = findCameraProblem(camera, cameras);
      problem != CameraProblem::None) {
    return warn(text(problemText(problem)));
  }
  cameras.push_back(camera);
  if (!saveNetworkCameras(storage_, cameras)) return warn(text(Text::NetworkCameraNotSaved));
  cameras_ = std::move(cameras);
  for (QLineEdit* e : {name_, url_, user_, password_}) e->clear();
  fill();
}

void NetworkCamerasDialog::remove() {
  const int row = list_->currentRow();
  if (row < 0 || row >= static_cast<int>(cameras_.size())) return;
  const std::string name = cameras_[static_cast<std::size_t>(row)].name;
  std::vector<NetworkCamera> cameras = loadNetworkCameras(storage_);
  std::erase_if(cameras, [&](const NetworkCamera& c) { return c.name == name; });
  if (!saveNetworkCameras(storage_, cameras)) return warn(text(Text::NetworkCameraNotSaved));
  cameras_ = std::move(cameras);
  fill();
}

}  // namespace karone
