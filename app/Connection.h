#pragma once
// The session with the FTP server and the dial-up line beneath it, as the
// run controller opens and closes them: the profile in use, connecting with
// or without dialling first (adopting a line that is up already), closing
// (and hanging up the line we dialled once the session has ended), dialling
// ahead of a schedule, and the idle-session check that lists the folder
// after a minute without traffic and marks the session suspect when the
// server no longer answers.
//
// Threads: the controller's thread only. The session check's answer comes
// from the uploader's worker as a posted task.
#include <functional>

#include "platform/SettingsStorage.h"
#include <memory>
#include <string>

#include "app/DialupHost.h"
#include "app/DialupLink.h"
#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "platform/Prompter.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"
#include "schedule/ProfileInfo.h"

namespace karone {

class Connection final : private DialupHost {
 public:
  static constexpr int kIdleSessionSeconds = 60;
  static constexpr int kSessionCheckDelayMillis = 1000;

  // capturing: whether capture runs (no session check then).
  Connection(TaskRunner& runner, TimerService& timers, DialupService& dialup, FtpUploader& uploader,
             EventLog& log, Prompter& prompter, std::function<bool()> capturing);
  ~Connection() override;

  bool connected() const { return uploader_.IsConnected(); }
  // A line is up that we dialled or adopted.
  bool lineUp() const { return link_.WeDialled() || link_.ExistingConnectionInUse(); }
  const ProfileInfo& active() const { return active_; }
  void setActive(const ProfileInfo& profile) { active_ = profile; }
  DialupLink& link() { return link_; }

  // Connects with the profile, dialling or adopting its line first when it
  // uses dial-up.
  void open(const ProfileInfo& profile);
  // Where SFTP profiles keep their key files (read as each session opens).
  void setKeyFiles(SettingsStorage* keyFiles) { keyFiles_ = keyFiles; }
  // Connects with the profile straight away (the line is up already or not
  // needed).
  void openDirect(const ProfileInfo& profile);
  // A schedule's session: kept when it is the same server and still
  // answers, otherwise closed and opened again with the profile.
  void openForSchedule(const ProfileInfo& profile);
  // Ends the session; a line the profile dialled is hung up after it.
  void close();
  // The connect button while our own dial is up or under way.
  void hangUpOwnLine();
  void dial(const ProfileInfo& profile, bool dialOnly);
  void setDialParams(const ProfileInfo& profile);

  // The uploader's notifications.
  void sessionOpened(bool ok);
  void disconnected();
  void activity() { idleSeconds_ = 0; }

  // Every second: counts the idle seconds and, when the session has been
  // idle long enough and nothing else runs, checks it after a short pause.
  // mayCheck: nothing forbids a check now (capture, the exit, a schedule
  // about to act).
  void everySecond(bool mayCheck);
  bool suspect() const { return suspect_; }
  // Tells the operator that the session is suspect: true when it is.
  bool warnIfSuspect();

 private:
  SettingsStorage* keyFiles_ = nullptr;
  ProfileInfo withKeyFile(const ProfileInfo& profile) const;
  // DialupHost.
  void ShowStatus(const std::string& line) override { log_.Log(line); }
  void QueueConnect() override { uploader_.queue(upload::Connect{}); }

  void checkIdleSession();

  TaskRunner& runner_;
  FtpUploader& uploader_;
  EventLog& log_;
  Prompter& prompter_;
  std::function<bool()> capturing_;
  DialupLink link_;
  std::unique_ptr<Timer> sessionCheck_;
  ProfileInfo active_;
  int idleSeconds_ = 0;
  bool suspect_ = false;
  // Answers from the worker are dropped once this object is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace karone
