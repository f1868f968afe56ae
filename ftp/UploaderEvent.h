#pragma once
// What the uploader's worker tells its environment, as one typed stream:
// the remote directory view and the buffer counters it fills, the progress
// window of a bulk deletion, and what the run controller must react to.
// Given to the sink in FtpUploader::Parts, on the worker thread, in the
// order they happen.
//
// Plain values; any thread.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace karone {

// A folder line of the remote directory view.
struct DirectoryViewEntry {
  std::string name;
  std::string size;  // decimal
  std::string date;  // "day/month/year"

  bool operator==(const DirectoryViewEntry&) const = default;
};

namespace upload_event {

// --- The directory view, its label and the buffer counters ---
struct DirectoryCleared {
  bool operator==(const DirectoryCleared&) const = default;
};
struct DirectoryEntry {
  DirectoryViewEntry entry;
  bool operator==(const DirectoryEntry&) const = default;
};
struct DirectoryLabel {
  std::string directory;
  bool operator==(const DirectoryLabel&) const = default;
};
struct MotionBufferCount {
  int count = 0;
  bool operator==(const MotionBufferCount&) const = default;
};
struct StillBufferCount {
  int count = 0;
  bool operator==(const StillBufferCount&) const = default;
};
// The progress window of a bulk deletion, centred on the main window.
struct ProgressShown {
  bool visible = false;
  bool operator==(const ProgressShown&) const = default;
};
struct ProgressPercent {
  int percent = 0;
  bool operator==(const ProgressPercent&) const = default;
};

// --- For the run controller ---
// A picture was handled (uploaded or not), for the capture side's flags.
struct UploadDone {
  bool operator==(const UploadDone&) const = default;
};
struct SessionOpened {
  bool ok = false;
  bool operator==(const SessionOpened&) const = default;
};
struct Disconnected {
  bool operator==(const Disconnected&) const = default;
};
// Recovery gave up: stop capture and close the session.
struct StopAndDisconnect {
  bool operator==(const StopAndDisconnect&) const = default;
};
struct StartReconnectCountdown {
  bool operator==(const StartReconnectCountdown&) const = default;
};
// Stops the countdown without announcing it.
struct StopReconnectCountdown {
  bool operator==(const StopReconnectCountdown&) const = default;
};
// Hang up the dial-up line.
struct HangUp {
  bool operator==(const HangUp&) const = default;
};
// The end of a session is done: capture may start again.
struct ClearStopping {
  bool operator==(const ClearStopping&) const = default;
};
// The motion strips found in the folder at the first listing of a session,
// by number (none: not reported).
struct StripsOnServer {
  std::vector<std::uint32_t> numbers;
  bool operator==(const StripsOnServer&) const = default;
};
// The worker takes up a command: the session is not idle.
struct SessionActivity {
  bool operator==(const SessionActivity&) const = default;
};

}  // namespace upload_event

using UploaderEvent =
    std::variant<upload_event::DirectoryCleared, upload_event::DirectoryEntry,
                 upload_event::DirectoryLabel, upload_event::MotionBufferCount,
                 upload_event::StillBufferCount, upload_event::ProgressShown,
                 upload_event::ProgressPercent, upload_event::UploadDone,
                 upload_event::SessionOpened, upload_event::Disconnected,
                 upload_event::StopAndDisconnect, upload_event::StartReconnectCountdown,
                 upload_event::StopReconnectCountdown, upload_event::HangUp,
                 upload_event::ClearStopping, upload_event::SessionActivity,
                 upload_event::StripsOnServer>;

}  // namespace karone
