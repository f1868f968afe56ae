#pragma once
// What the uploader is asked to do: one small struct per command, queued
// with FtpUploader::queue and run by its worker strictly in order.
//
// Plain values; any thread.
#include <cstdint>
#include <functional>
#include <string>
#include <variant>

#include "platform/BufferFileNames.h"

namespace karone {

// One picture to upload. It travels in its command, so a caller that does
// not wait for the upload cannot overwrite a request still queued.
struct FrameRequest {
  int captureMode = 0;     // 0 motion, 1 still
  std::string localPath;   // the JPEG; its file name is the remote name
  bool keepPrevious = false;  // still mode: keep the previous picture as a backup
  std::string backupPrefix = std::string(kStillBackupPrefix);
  std::uint32_t runningNumber = 0;
};

namespace upload {

// Opens the session with the active profile (asking first when one is open).
struct Connect {};
// The timed reconnect after the uploader gave up: connect, clear the strips,
// start sending again, and restart the countdown when that fails.
struct Reconnect {};
struct Disconnect {};
// Disconnects, then has the dial-up line hung up (also when not connected).
struct DisconnectAndHangUp {};
// Capture has stopped: the stopped page, the strips cleared, capture may
// start again.
struct EndSession {};
// Every buffer file of the current folder, with the progress window.
struct DeleteAllBuffers {};
struct UploadFrame {
  FrameRequest frame;
};
// An item of the directory view: only folders are entered.
struct ChangeDirectory {
  std::string name;
  bool isFolder = true;
};
struct GoUp {};
// Lists the current folder to prove the session; `done` gets the result on
// the worker (it is not called for a command dropped unrun).
struct CheckSession {
  bool withLog = false;
  std::function<void(bool alive)> done;
};
// Publishes the stopped status page.
struct StoppedStatus {};

}  // namespace upload

using UploadCommand =
    std::variant<upload::Connect, upload::Reconnect, upload::Disconnect,
                 upload::DisconnectAndHangUp, upload::EndSession, upload::DeleteAllBuffers,
                 upload::UploadFrame, upload::ChangeDirectory, upload::GoUp,
                 upload::CheckSession, upload::StoppedStatus>;

}  // namespace karone
