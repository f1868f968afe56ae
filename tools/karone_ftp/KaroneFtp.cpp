#include "tools/karone_ftp/KaroneFtp.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>

#include "app/SettingsStore.h"
#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "ftp/MemoryLogView.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/SettingsStorage.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "tools/karone_ftp/ConsoleUploaderHost.h"

namespace karone {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Usage {
  std::string command;
  std::string profile;
  int keep = 0;
  bool keepGiven = false;
  bool end = false;
  std::vector<std::string> files;
  std::string error;
};

Usage parse(const std::vector<std::string>& args) {
  Usage u;
  if (args.size() < 2) {
    u.error = text(Text::ToolFtpUsage);
    return u;
  }
  u.command = args[0];
  u.profile = args[1];
  if (u.command != "check" && u.command != "clean" && u.command != "send") {
    u.error = text(Text::ToolFtpUsage);
    return u;
  }
  for (std::size_t i = 2; i < args.size(); ++i) {
    const auto& a = args[i];
    if (u.command == "send" && a == "--end") {
      u.end = true;
    } else if (u.command == "send" && a == "--keep") {
      if (i + 1 >= args.size()) {
        u.error = text(Text::ToolFtpBadKeep);
        return u;
      }
      const auto& v = args[++i];
      char* end = nullptr;
      errno = 0;
      long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || errno != 0 || n < 1 || n > 100000) {
        u.error = text(Text::ToolFtpBadKeep);
        return u;
      }
      u.keep = static_cast<int>(n);
      u.keepGiven = true;
    } else if (u.command == "send" && a.rfind("--", 0) != 0) {
      u.files.push_back(a);
    } else {
      u.error = text(Text::ToolFtpUsage);
      return u;
    }
  }
  if (u.command == "send" && u.files.empty()) u.error = text(Text::ToolFtpUsage);
  return u;
}

// A private folder for the numbered copies of the pictures: the uploader
// removes each local picture after the next one, and must never remove the
// operator's own files.
std::string makeWorkFolder() {
  std::string pattern = paths::bufferDir() + "karone-ftp-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (!::mkdtemp(buffer.data())) return {};
  return std::string(buffer.data()) + "/";
}

}  // namespace

int runKaroneFtp(const std::vector<std::string>& args, FtpClient& client, std::ostream& out,
                 std::ostream& err, const KaroneFtpSetup& setup) {
  Usage usage = parse(args);
  if (!usage.error.empty()) {
    err << usage.error << "\n";
    return kUsage;
  }

  // The profile, from the program's data file.
  DataStore store(setup.dataFile.empty() ? DataStore::defaultPath() : setup.dataFile);
  auto loaded = store.load();
  if (!loaded.ok()) {
    err << formatText(Text::ToolFtpDataFileUnreadable, store.path().c_str()) << "\n";
    return kFailed;
  }
  ProfileInfo profile;
  if (!store.findProfile(usage.profile, profile)) {
    err << formatText(Text::ToolFtpNoProfile, usage.profile.c_str(), store.path().c_str())
        << "\n";
    return kFailed;
  }

  // The settings: frames per strip and the running number.
  FileSettingsStorage storage(setup.settingsFile);
  StderrPrompter prompter;
  SettingsStore settings(storage, prompter);
  settings.Load();
  AppSettings values = settings.Get();

  // Every check before any traffic: the pictures must be readable.
  for (const auto& file : usage.files) {
    if (::access(file.c_str(), R_OK) != 0) {
      err << formatText(Text::ToolFtpCannotRead, file.c_str(), std::strerror(errno)) << "\n";
      return kFailed;
    }
  }

  std::atomic<bool> uploadFailed{false};
  const std::string errorPrefix = [] {
    std::string t = text(Text::FtpUploadError);
    return t.substr(0, t.find('%'));
  }();
  ConsoleUploaderHost host;
  MemoryLogView view(400, 6, [&](const std::string& line) {
    out << line << "\n" << std::flush;
    // A tool run does not wait through the reconnection attempts: the first
    // failed upload ends it.
    if (line.find(errorPrefix) != std::string::npos) {
      uploadFailed = true;
      host.setCapturing(false);
    }
  });
  EventLog log(SystemClock::instance());
  log.setView(&view);

  const std::string work = makeWorkFolder();
  if (work.empty()) {
    err << formatText(Text::ToolFtpCannotRead, paths::bufferDir().c_str(), std::strerror(errno))
        << "\n";
    return kFailed;
  }
  struct RemoveFolder {
    std::string path;
    ~RemoveFolder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  } removeWork{work};

  int clipLimit = profile.keepBuffers != 0 ? -1 : profile.bufferClipCount;
  if (usage.keepGiven) clipLimit = usage.keep;
  host.setBufferClipLimit(clipLimit);
  host.setFramesPerStrip(values.iBufferSize);
  host.setCapturing(usage.command == "send");

  FtpUploader uploader({client, host, log, setup.sleeper ? *setup.sleeper : SystemSleeper::instance(),
                        work});
  uploader.SetProfile(profile);
  if (!uploader.StartWorker()) {
    err << text(Text::ToolFtpNoWorker) << "\n";
    return kFailed;
  }
  uploader.QueueConnect();
  uploader.waitUntilDone();
  if (!uploader.IsConnected()) {
    err << formatText(Text::ToolFtpCannotConnect, profile.address.c_str(), profile.port) << "\n";
    return kFailed;
  }
  if (host.asked()) {
    // The profile's folder could not be entered: do nothing elsewhere.
    err << formatText(Text::ToolFtpNoFolder, profile.uploadDirectory.c_str()) << "\n";
    uploader.QueueDisconnect();
    uploader.waitUntilDone();
    return kFailed;
  }

  int result = kOk;
  if (usage.command == "check") {
    out << formatText(Text::ToolFtpCounts, uploader.motionBufferCount(),
                      uploader.stillBufferCount())
        << "\n";
  } else if (usage.command == "clean") {
    uploader.QueueDeleteAllBuffers();
    uploader.waitUntilDone();
    if (uploader.motionBufferCount() + uploader.stillBufferCount() != 0) {
      err << formatText(Text::ToolFtpNotAllDeleted,
                        uploader.motionBufferCount() + uploader.stillBufferCount())
          << "\n";
      result = kFailed;
    }
  } else {
    auto running = static_cast<std::uint32_t>(values.dwUniqueRunningNum);
    for (const auto& file : usage.files) {
      const std::string local = work + motionFrameName(running);
      std::string bytes;
      if (!readWholeFile(file, bytes).ok || !writeFileAtomically(local, bytes).ok) {
        err << formatText(Text::ToolFtpCannotRead, file.c_str(), std::strerror(errno)) << "\n";
        result = kFailed;
        break;
      }
      FrameRequest frame;
      frame.captureMode = 0;
      frame.localPath = local;
      frame.runningNumber = running;
      ++running;  // a number once used is never given again
      uploader.QueueUploadFrame(frame);
      uploader.waitUntilDone();
      if (uploadFailed) {
        err << formatText(Text::ToolFtpUploadFailed, file.c_str()) << "\n";
        result = kFailed;
        break;
      }
    }
    values.dwUniqueRunningNum = static_cast<std::int32_t>(running);
    settings.Set(values);
    if (!settings.Save()) {
      err << text(Text::ToolFtpCannotSaveSettings) << "\n";
      result = kFailed;
    }
    if (result == kOk && usage.end) {
      host.setCapturing(false);
      uploader.QueueEndSession();
      uploader.waitUntilDone();
    }
  }
  uploader.QueueDisconnect();
  uploader.waitUntilDone();
  uploader.StopWorker();
  return result;
}

}  // namespace karone
