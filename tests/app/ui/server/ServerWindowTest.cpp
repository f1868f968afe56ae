// The program's window as karone-server builds it, clicked through by an
// operator on the offscreen platform: the real run controller, FTP on
// libcurl against the project's pyftpdlib server on 127.0.0.1, the
// GStreamer test pattern as camera, the program's folders in a temporary
// place. Real time: a strip of six pictures takes about six seconds.
#include "app/ui/ServerWindow.h"

#include <dirent.h>
#include <time.h>

#include <ctime>

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <map>
#include <set>

#include "app/RunController.h"
#include "app/ui/MainWindow.h"
#include "platform/Paths.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "tests/support/ProcessResources.h"
#include "tests/support/PyFtpServer.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/TempDir.h"
#include "tests/support/ui/UiDriving.h"

namespace karone {
namespace {

using namespace std::chrono_literals;
using testing::processEventsUntil;
using testing::PyFtpServer;
using testing::whenModalShows;

QString qs(Text id) { return QString::fromUtf8(text(id)); }

ServerWindowOptions testOptions() {
  ServerWindowOptions o;
  o.ftp.connectTimeoutMs = 2000;
  o.ftp.responseTimeoutMs = 2000;
  o.ftp.requestTimeoutMs = 10000;
  o.capture.listCameras = false;  // the test pattern only, whatever the machine has
  return o;
}

ProfileInfo profileOn(const PyFtpServer& server, const std::string& name) {
  ProfileInfo p;
  p.name = name;
  p.address = "127.0.0.1";
  p.port = server.port();
  p.passiveMode = 1;
  p.userId = "karone";
  p.password = "secret";
  p.bufferClipCount = 10;
  return p;
}

void storeProfiles(const std::vector<ProfileInfo>& profiles,
                   const std::vector<ScheduleInfo>& schedules = {}) {
  DataStore store(paths::dataDir() + "EncData.zrd");
  for (const auto& p : profiles) store.addProfile(p);
  for (const auto& s : schedules) store.addSchedule(s);
  ASSERT_TRUE(store.save().ok);
}

// This process's threads: the kernel's id and name of each.
std::map<int, std::string> threads() {
  std::map<int, std::string> all;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] == '.') continue;
      std::string name = testing::readFile(std::string("/proc/self/task/") + e->d_name + "/comm");
      if (!name.empty() && name.back() == '\n') name.pop_back();
      all[std::atoi(e->d_name)] = name;
    }
    closedir(d);
  }
  return all;
}

// Answers every message box that opens with its Esc button and keeps its
// text: no question is expected in these runs, and one must not hang them.
// A question whose text is in yesTo is answered Yes instead.
class MessageBoxWatch {
 public:
  explicit MessageBoxWatch(std::set<std::string> yesTo = {}) : yesTo_(std::move(yesTo)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      texts_.push_back(box->text().toStdString());
      QAbstractButton* yes = box->button(QMessageBox::Yes);
      if (yes != nullptr && yesTo_.count(texts_.back()) != 0) {
        yes->click();
      } else if (QAbstractButton* out = box->escapeButton()) {
        out->click();
      } else {
        box->reject();
      }
    });
    timer_.start(20);
  }
  const std::vector<std::string>& texts() const { return texts_; }

 private:
  std::set<std::string> yesTo_;
  QTimer timer_;
  std::vector<std::string> texts_;
};

template <typename T>
T* find(QWidget& w, const char* name) {
  T* found = w.findChild<T*>(name);
  EXPECT_NE(found, nullptr) << name;
  return found;
}

void clickLine(QListWidget* list, const QString& line) {
  const auto items = list->findItems(line, Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1) << line.toStdString();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(items.front()).center());
}

struct Rig {
  std::string page() const { return testing::readFile(server.root() + "/currfrme.html"); }
  std::vector<std::string> stripsStored() const {
    std::vector<std::string> names;
    for (const auto& c : server.commands()) {
      if (c.rfind("STOR ", 0) != 0) continue;
      const std::string name = c.substr(c.rfind('/') + 1);
      if (name.rfind("motion_img_", 0) == 0) names.push_back(name);
    }
    return names;
  }

  testing::ScopedProgramDirs dirs;
  PyFtpServer server;
};

TEST(ServerWindow, AWholeBroadcastByClickingEndsWithTheWindowClosedAndTheSettingsWritten) {
  Rig rig;
  ASSERT_TRUE(rig.server.started()) << rig.server.error();
  ProfileInfo other = profileOn(rig.server, "archive");
  other.port = 9;  // never used
  storeProfiles({profileOn(rig.server, "live"), other});
  const std::map<int, std::string> threadsBefore = threads();
  MessageBoxWatch boxes;
  {
    ServerWindow program(testOptions());
    program.show();
    MainWindow& window = program.window();
    RunController& controller = program.controller();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* profiles = find<QListWidget>(window, "profileList");
    auto* connect = find<QPushButton>(window, "connectButton");
    auto* start = find<QPushButton>(window, "startButton");
    ASSERT_EQ(profiles->count(), 2);
    EXPECT_EQ(profiles->item(0)->text(), "archive") << "sorted";

    clickLine(profiles, "live");
    EXPECT_EQ(controller.selectedLine(), 1);
    EXPECT_EQ(connect->text(), qs(Text::Connect));
    QTest::mouseClick(connect, Qt::LeftButton);
    ASSERT_TRUE(processEventsUntil([&] { return controller.connected(); }, 15s))
        << rig.server.log();
    EXPECT_EQ(controller.activeProfile().name, "live");
    EXPECT_TRUE(processEventsUntil([&] { return connect->text() == qs(Text::Disconnect); }, 2s));

    EXPECT_EQ(start->text(), qs(Text::StartSending));
    QTest::mouseClick(start, Qt::LeftButton);
    EXPECT_TRUE(processEventsUntil([&] { return start->text() == qs(Text::StopSending); }, 3s));
    // Two strips in order, the status page naming each once it is there.
    for (const char* strip : {"motion_img_00000000.jpg", "motion_img_00000001.jpg"}) {
      ASSERT_TRUE(processEventsUntil(
          [&] { return rig.page().find(std::string("Curr=") + strip + "\n") != std::string::npos; },
          15s))
          << strip << "\n" << rig.page();
    }
    EXPECT_EQ(rig.stripsStored(),
              (std::vector<std::string>{"motion_img_00000000.jpg", "motion_img_00000001.jpg"}));
    EXPECT_TRUE(controller.captureWindow().pipeline().graphRunning());

    QTest::mouseClick(start, Qt::LeftButton);  // 送信停止
    ASSERT_TRUE(processEventsUntil([&] { return !controller.capturing(); }, 10s));
    EXPECT_TRUE(processEventsUntil([&] { return start->text() == qs(Text::StartSending); }, 2s));

    QTest::mouseClick(find<QPushButton>(window, "exitButton"), Qt::LeftButton);
    ASSERT_TRUE(processEventsUntil([&] { return !window.isVisible(); }, 15s));
    EXPECT_TRUE(controller.finished());
  }
  EXPECT_TRUE(boxes.texts().empty()) << ::testing::PrintToString(boxes.texts());
  EXPECT_NE(rig.page().find("ServRun=0"), std::string::npos) << rig.page();
  // The settings file has the clicked line and the next running number.
  const std::string settings = testing::readFile(paths::configDir() + "Encoder.conf");
  EXPECT_NE(settings.find("iLastSelSiteInfoIndex=1\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("dwUniqueRunningNum="), std::string::npos) << settings;
  EXPECT_EQ(settings.find("dwUniqueRunningNum=0\n"), std::string::npos) << settings;
  // Every thread the window, the controller and the backends started has
  // ended (the uploader's worker, the capture writer, the streaming
  // threads). The shared workers of GLib (its I/O context) and of Qt (the
  // global pool that converts and scales pictures) live with the process.
  const std::set<std::string> sharedWorkers{"gmain", "gdbus", "Thread (pooled)"};
  std::map<int, std::string> left;
  processEventsUntil([&] {
    left.clear();
    for (const auto& [id, name] : threads()) {
      if (!threadsBefore.count(id) && !sharedWorkers.count(name)) left[id] = name;
    }
    return left.empty();
  }, 5s);
  EXPECT_TRUE(left.empty()) << ::testing::PrintToString(left);
}

TEST(ServerWindow, StartedWithoutClicksTheListShowsTheProfileInUse) {
  Rig rig;
  ASSERT_TRUE(rig.server.started()) << rig.server.error();
  storeProfiles({profileOn(rig.server, "archive"), profileOn(rig.server, "live")});
  MessageBoxWatch boxes;
  ServerWindow program(testOptions());
  program.show();
  RunController& controller = program.controller();
  auto* profiles = find<QListWidget>(program.window(), "profileList");
  EXPECT_EQ(profiles->currentRow(), 0) << "the line selected last time";
  AutoStart::Options start;  // --start --profile live, only connecting
  start.profile = "live";
  start.startSending = false;
  ASSERT_EQ(program.startBroadcast(start).status, 0);
  ASSERT_TRUE(processEventsUntil([&] { return controller.connected(); }, 15s));
  EXPECT_EQ(controller.activeProfile().name, "live");
  EXPECT_EQ(profiles->currentRow(), 1);
  ASSERT_EQ(profiles->selectedItems().size(), 1);
  EXPECT_EQ(profiles->selectedItems().front()->text(), "live");

  QTest::mouseClick(find<QPushButton>(program.window(), "exitButton"), Qt::LeftButton);
  ASSERT_TRUE(processEventsUntil([&] { return !program.window().isVisible(); }, 15s));
  EXPECT_TRUE(boxes.texts().empty()) << ::testing::PrintToString(boxes.texts());
}

// Runs karone-store on the program's data file; its output.
std::string storeDump() {
  std::string out;
  FILE* pipe = ::popen(KARONE_STORE_EXE " dump --show-passwords", "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) out.append(buffer, n);
  EXPECT_EQ(::pclose(pipe), 0) << out;
  return out;
}

TEST(ServerWindow, AProfileAndAScheduleAddedThroughTheDialogsAreInTheDataFile) {
  testing::ScopedTimeZone zone("JST-9");
  Rig rig;
  ASSERT_TRUE(rig.server.started()) << rig.server.error();
  MessageBoxWatch boxes;
  // A daily entry three hours from now, so that it does not begin during
  // the test.
  const time_t now = ::time(nullptr) + 3 * 3600;
  struct tm later {};
  ::localtime_r(&now, &later);
  const QTime from(later.tm_hour, 0);
  const QTime to(later.tm_hour, 30);
  {
    ServerWindow program(testOptions());
    program.show();
    MainWindow& window = program.window();
    RunController& controller = program.controller();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    // The preview alone (--preview): the picture runs, nothing connects.
    AutoStart::Options preview;
    preview.connect = false;
    EXPECT_EQ(program.startBroadcast(preview).status, 0);
    EXPECT_TRUE(controller.captureWindow().pipeline().graphRunning());

    bool profileFilled = false;
    whenModalShows("ftpProfileDialog", [&](QWidget& dialog) {
      find<QLineEdit>(dialog, "nameEdit")->setText("夜間カメラ");
      find<QLineEdit>(dialog, "addressEdit")->setText("127.0.0.1");
      find<QLineEdit>(dialog, "userEdit")->setText("karone");
      find<QLineEdit>(dialog, "passwordEdit")->setText("secret");
      find<QLineEdit>(dialog, "directoryEdit")->setText("/live/night");
      find<QLineEdit>(dialog, "portEdit")->setText(QString::number(rig.server.port()));
      profileFilled = true;
      find<QPushButton>(dialog, "okButton")->click();
    });
    QTest::mouseClick(find<QPushButton>(window, "addProfileButton"), Qt::LeftButton);
    EXPECT_TRUE(profileFilled);
    auto* profiles = find<QListWidget>(window, "profileList");
    ASSERT_EQ(profiles->count(), 1);
    EXPECT_EQ(profiles->item(0)->text(), "夜間カメラ");
    EXPECT_EQ(controller.selectedProfile().name, "夜間カメラ");

    QString editTitle;
    whenModalShows("schedulerDialog", [&](QWidget& scheduler) {
      whenModalShows("scheduleEditDialog", [&](QWidget& edit) {
        editTitle = edit.windowTitle();
        find<QLineEdit>(edit, "nameEdit")->setText("夜の中継");
        find<QComboBox>(edit, "periodList")->setCurrentIndex(PeriodDaily);
        auto* profile = find<QComboBox>(edit, "profileList");
        profile->setCurrentIndex(profile->findText("夜間カメラ"));
        find<QTimeEdit>(edit, "startTimePicker")->setTime(from);
        find<QTimeEdit>(edit, "endTimePicker")->setTime(to);
        find<QPushButton>(edit, "okButton")->click();
      });
      find<QPushButton>(scheduler, "addButton")->click();  // returns when the edit has closed
      find<QPushButton>(scheduler, "okButton")->click();
    });
    QTest::mouseClick(find<QPushButton>(window, "schedulerButton"), Qt::LeftButton);
    EXPECT_EQ(editTitle, "スケジュール追加");
    EXPECT_FALSE(controller.connected());
    EXPECT_EQ(rig.server.logins(), 0) << "the preview alone connects nowhere";

    QTest::mouseClick(find<QPushButton>(window, "exitButton"), Qt::LeftButton);
    ASSERT_TRUE(processEventsUntil([&] { return !window.isVisible(); }, 15s));
  }
  EXPECT_TRUE(boxes.texts().empty()) << ::testing::PrintToString(boxes.texts());

  const nlohmann::json data = nlohmann::json::parse(storeDump(), nullptr, false);
  ASSERT_FALSE(data.is_discarded());
  ASSERT_EQ(data["profiles"].size(), 1u) << data.dump(2);
  const auto& p = data["profiles"][0];
  EXPECT_EQ(p["name"], "夜間カメラ");
  EXPECT_EQ(p["address"], "127.0.0.1");
  EXPECT_EQ(p["userId"], "karone");
  EXPECT_EQ(p["password"], "secret");
  EXPECT_EQ(p["uploadDirectory"], "/live/night");
  EXPECT_EQ(p["port"], rig.server.port());
  EXPECT_EQ(p["bufferClipCount"], 10);
  EXPECT_EQ(p["useDialup"], 0);
  ASSERT_EQ(data["schedules"].size(), 1u) << data.dump(2);
  const auto& s = data["schedules"][0];
  EXPECT_EQ(s["name"], "夜の中継");
  EXPECT_EQ(s["period"], PeriodDaily);
  EXPECT_EQ(s["ftpProfileName"], "夜間カメラ");
  EXPECT_EQ(s["captureMode"], CaptureMotion);
  for (const auto& [field, expected] : {std::pair{"start", from}, std::pair{"end", to}}) {
    const time_t at = s[field].get<time_t>();
    struct tm local {};
    ::localtime_r(&at, &local);
    EXPECT_EQ(QTime(local.tm_hour, local.tm_min), expected) << field;
  }
}


TEST(ServerWindow, ProfilesAndSchedulesChangedAndDeletedAndTheCaptureSettingsChangedAreStored) {
  Rig rig;
  ASSERT_TRUE(rig.server.started()) << rig.server.error();
  // Two daily entries, neither running now, each at its next time (as the
  // edit dialog stores a daily entry), in whole minutes (it keeps no
  // seconds), and neither crossing midnight (it refuses an end before the
  // start): both lie in 03:00-04:30, or in 15:00-16:30 when that is near.
  const time_t now = ::time(nullptr);
  std::tm next = *std::localtime(&now);
  next.tm_hour = next.tm_hour >= 2 && next.tm_hour < 5 ? 15 : 3;
  next.tm_min = 0;
  next.tm_sec = 0;
  next.tm_isdst = -1;
  time_t day = std::mktime(&next);
  if (day < now) {
    next.tm_mday += 1;
    next.tm_isdst = -1;
    day = std::mktime(&next);
  }
  ScheduleInfo evening;
  evening.name = "夕方";
  evening.period = PeriodDaily;
  evening.start = static_cast<std::int32_t>(day);
  evening.end = static_cast<std::int32_t>(day + 1800);
  evening.ftpProfileName = "live";
  ScheduleInfo night = evening;
  night.name = "夜";
  night.start += 3600;
  night.end += 3600;
  storeProfiles({profileOn(rig.server, "archive"), profileOn(rig.server, "live")},
                {evening, night});
  MessageBoxWatch boxes({text(Text::ProfileDeleteQuestion), text(Text::ScheduleDeleteQuestion)});
  {
    ServerWindow program(testOptions());
    program.show();
    MainWindow& window = program.window();
    RunController& controller = program.controller();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    auto* profiles = find<QListWidget>(window, "profileList");
    ASSERT_EQ(profiles->count(), 2);

    // The folder of "live" changed, "archive" deleted.
    clickLine(profiles, "live");
    bool changed = false;
    whenModalShows("ftpProfileDialog", [&](QWidget& dialog) {
      EXPECT_EQ(find<QLineEdit>(dialog, "nameEdit")->text(), "live");
      find<QLineEdit>(dialog, "directoryEdit")->setText("/camera/2");
      changed = true;
      find<QPushButton>(dialog, "okButton")->click();
    });
    QTest::mouseClick(find<QPushButton>(window, "modifyProfileButton"), Qt::LeftButton);
    // Questions do not stop the window: the dialog opens once the notice
    // that the profile is in use has been answered.
    EXPECT_TRUE(processEventsUntil([&] { return changed; }));
    clickLine(profiles, "archive");
    QTest::mouseClick(find<QPushButton>(window, "deleteProfileButton"), Qt::LeftButton);
    ASSERT_TRUE(processEventsUntil([&] { return profiles->count() == 1; }));
    EXPECT_EQ(profiles->item(0)->text(), "live");

    // "夕方" renamed, "夜" deleted.
    whenModalShows("schedulerDialog", [&](QWidget& scheduler) {
      auto* list = find<QTableWidget>(scheduler, "scheduleList");
      ASSERT_EQ(list->rowCount(), 2);
      const auto rowOf = [&](const QString& name) {
        for (int row = 0; row < list->rowCount(); ++row) {
          for (int column = 0; column < list->columnCount(); ++column) {
            if (list->item(row, column) != nullptr && list->item(row, column)->text() == name) {
              return row;
            }
          }
        }
        return -1;
      };
      list->selectRow(rowOf("夕方"));
      whenModalShows("scheduleEditDialog", [&](QWidget& edit) {
        find<QLineEdit>(edit, "nameEdit")->setText("夕方の中継");
        find<QPushButton>(edit, "okButton")->click();
      });
      find<QPushButton>(scheduler, "modifyButton")->click();
      list->selectRow(rowOf("夜"));
      find<QPushButton>(scheduler, "deleteButton")->click();
      EXPECT_EQ(list->rowCount(), 1);
      find<QPushButton>(scheduler, "okButton")->click();
    });
    QTest::mouseClick(find<QPushButton>(window, "schedulerButton"), Qt::LeftButton);

    // Still pictures every few minutes.
    whenModalShows("captureSettingsDialog", [&](QWidget& dialog) {
      find<QRadioButton>(dialog, "stillRadio")->click();
      find<QRadioButton>(dialog, "minutesRadio")->click();
      find<QComboBox>(dialog, "minutesList")->setCurrentIndex(2);
      find<QPushButton>(dialog, "okButton")->click();
    });
    // The capture window's menu, "キャプチャー設定", as its popup runs it.
    int settingsCommand = 0;
    for (const auto& item : controller.captureWindow().menu().items) {
      if (item.text == text(Text::MenuCaptureSettings)) settingsCommand = item.command;
    }
    ASSERT_NE(settingsCommand, 0);
    controller.captureWindow().onMenuCommand(settingsCommand);
    EXPECT_EQ(controller.workingSettings().mode, 1);

    QTest::mouseClick(find<QPushButton>(window, "exitButton"), Qt::LeftButton);
    ASSERT_TRUE(processEventsUntil([&] { return !window.isVisible(); }, 15s));
  }
  // "live" is in use by the schedules: the operator is told so, and its
  // name stays as it was while the rest can change.
  EXPECT_EQ(boxes.texts(),
            (std::vector<std::string>{text(Text::ProfileInUse), text(Text::ProfileDeleteQuestion),
                                      text(Text::ScheduleDeleteQuestion)}));

  const nlohmann::json data = nlohmann::json::parse(storeDump(), nullptr, false);
  ASSERT_FALSE(data.is_discarded());
  ASSERT_EQ(data["profiles"].size(), 1u) << data.dump(2);
  EXPECT_EQ(data["profiles"][0]["name"], "live");
  EXPECT_EQ(data["profiles"][0]["uploadDirectory"], "/camera/2");
  EXPECT_EQ(data["profiles"][0]["port"], rig.server.port());
  ASSERT_EQ(data["schedules"].size(), 1u) << data.dump(2);
  EXPECT_EQ(data["schedules"][0]["name"], "夕方の中継");
  EXPECT_EQ(data["schedules"][0]["start"], evening.start);
  EXPECT_EQ(data["schedules"][0]["end"], evening.end);

  const std::string settings = testing::readFile(paths::configDir() + "Encoder.conf");
  EXPECT_NE(settings.find("iCaptureMode=1\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("iStillCaptType=1\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("iStillCaptTypeIndex=2\n"), std::string::npos) << settings;
}

}  // namespace
}  // namespace karone
