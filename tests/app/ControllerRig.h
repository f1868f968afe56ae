#pragma once
// A run controller with everything around it that a test needs: fake time
// (a fake clock, a timer queue on it and a task runner the test drains),
// the recording view, prompter and dialogs, settings in memory, a data file
// and folders of its own, a simulated dial-up service, and either the
// in-memory FTP client or a real one, and either a scripted capture device
// or a real one. The uploader's worker and the capture writer are real
// threads; settle() lets them finish while the test's thread plays the
// window thread.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/RunController.h"
#include "schedule/DataStore.h"
#include "tests/app/FakeDialogs.h"
#include "tests/app/RecordingMainView.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/FakeFtpClient.h"
#include "tests/doubles/FakeSleeper.h"
#include "tests/doubles/FakeTimerQueue.h"
#include "tests/doubles/ManualTaskRunner.h"
#include "tests/doubles/MemorySettingsStorage.h"
#include "tests/doubles/RecordingPrompter.h"
#include "tests/doubles/ScriptedVideoCapture.h"
#include "tests/doubles/SimulatedDialupService.h"
#include "tests/support/ScopedTimeZone.h"
#include "tests/support/TempDir.h"

namespace karone::testing {

struct ControllerRig {
  // A weekday noon in Tokyo.
  static constexpr Seconds kStart = 1'796'871'600;  // 2026-12-10 12:00:00 +09:00

  explicit ControllerRig(FtpClient* realClient = nullptr, VideoCapture* realCapture = nullptr)
      : zone("Asia/Tokyo") {
    settings.exists = true;
    ScriptedDevice device;
    device.name = kTestPatternDeviceName;
    device.crossbarInputs = {2, 3, 1};
    device.crossbarOutputs = {12};
    scriptedCapture.addDevice(device);
    client = realClient ? realClient : &fakeFtp;
    capture = realCapture ? realCapture : &scriptedCapture;
  }

  RunController::Parts parts() {
    RunController::Parts p(runner, timers, clock, prompter, dialogs, view, *client, *capture,
                           dialup, settings);
    p.dataFile = dir.file("EncData.zrd");
    p.logFolder = dir.path();
    p.bufferFolder = dir.path() + "/buffer";
    std::string mk = "mkdir -p '" + p.bufferFolder + "'";
    (void)std::system(mk.c_str());
    p.uploaderSleeper = &uploaderSleeper;
    p.dialupNotes = dialupNotes;
    return p;
  }

  std::vector<std::string> dialupNotes;  // given to the controller

  // Makes and starts the controller.
  RunController& start() {
    controller = std::make_unique<RunController>(parts());
    controller->start();
    settle();
    return *controller;
  }

  // Runs posted tasks until the uploader and the capture writer have
  // nothing left and nothing more is posted (real time, bounded).
  bool settle(std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      const int ran = runner.runPending();
      const bool idle = !controller || controller->finished() ||
                        (controller->uploader().IsIdle() &&
                         controller->captureWindow().pipeline().workerIdle());
      // Idle workers post nothing more: what they posted has run.
      if (ran == 0 && idle && runner.queued() == 0) return true;
      if (ran == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  // Fake time passes second by second, the workers settling after each;
  // dial-up progress waiting in the simulated service is delivered from a
  // thread of its own, as the service's thread would.
  void seconds(int n) {
    for (int i = 0; i < n; ++i) {
      timers.advance(1000);
      settle();
      if (dialup.pendingProgress() > 0) {
        std::thread serviceThread([&] { dialup.deliverProgress(); });
        serviceThread.join();
        settle();
      }
    }
  }
  // The controller's own connect, run to its end.
  void connect(RunController& c) {
    c.connectDisconnect();
    settle();
  }
  // A scheduled session of the given length starting in `in` seconds.
  ScheduleInfo schedule(const std::string& name, const std::string& profile, Seconds in,
                        Seconds length, int mode = 0) {
    ScheduleInfo s;
    s.name = name;
    s.ftpProfileName = profile;
    s.captureMode = mode;
    s.start = static_cast<std::int32_t>(clock.now() + in);
    s.end = static_cast<std::int32_t>(clock.now() + in + length);
    s.updatePeriod = 30;
    return s;
  }

  // Profiles and schedules in the data file before the controller starts.
  void store(const std::vector<ProfileInfo>& profiles,
             const std::vector<ScheduleInfo>& schedules = {}) {
    DataStore data(dir.file("EncData.zrd"));
    for (const auto& p : profiles) data.addProfile(p);
    for (const auto& s : schedules) data.addSchedule(s);
    data.save();
  }

  ProfileInfo profile(const std::string& name, bool dialup = false) {
    ProfileInfo p;
    p.name = name;
    p.address = "127.0.0.1";
    p.userId = "karone";
    p.password = "secret";
    p.bufferClipCount = 3;
    if (dialup) {
      p.useDialup = 1;
      p.dialupEntry = "isp";
    }
    return p;
  }

  ScopedTimeZone zone;
  TempDir dir;
  FakeClock clock{kStart};
  ManualTaskRunner runner;
  FakeTimerQueue timers{clock, &runner};
  RecordingMainView view;
  RecordingPrompter prompter;
  FakeDialogs dialogs;
  MemorySettingsStorage settings;
  SimulatedDialupService dialup;
  FakeFtpClient fakeFtp;
  ScriptedVideoCapture scriptedCapture;
  FakeSleeper uploaderSleeper;
  FtpClient* client = nullptr;
  VideoCapture* capture = nullptr;
  std::unique_ptr<RunController> controller;
};

}  // namespace karone::testing
