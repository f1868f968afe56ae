#include "tools/karone_ftp/KaroneFtp.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "app/RunningNumberKeeper.h"
#include "app/SettingsStore.h"
#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "ftp/MemoryLogView.h"
#include "platform/AtomicFile.h"
#include "platform/InstanceLock.h"
#include "platform/Installation.h"
#include "platform/Paths.h"
#include "platform/SettingsStorage.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "schedule/RecordRules.h"
#include "tools/ToolText.h"

namespace karone {
namespace {

using tools::shown;

constexpr int kOk = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

struct Usage {
  std::string command;
  std::string profile;
  int keep = 0;
  bool keepGiven = false;
  bool end = false;
  bool help = false;
  std::string viewer;  // --viewer DIR
  std::string fingerprint;  // trust-host --fingerprint SHA256:...
  std::vector<std::string> files;
  std::string error;
};

// The viewer page installed with the programs; never a folder relative to
// where the tool was started.
std::string installedViewer() {
  const std::string files = installation::programFilesDir();
  return files.empty() ? std::string("/proc/self/exe/../share/karone-server/web") : files + "web";
}

bool knownCommand(const std::string& command) {
  return command == "check" || command == "clean" || command == "send" ||
         command == "install-viewer" || command == "trust-host";
}

// Options may come anywhere among the words; "--" ends them.
Usage parse(const std::vector<std::string>& args) {
  Usage u;
  std::vector<std::string> words;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      words.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "--help" || a == "-h") {
      u.help = true;
    } else if (a == "--end") {
      u.end = true;
    } else if (a == "--viewer") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        u.error = formatText(Text::ToolFtpUnknownOption, "--viewer");
        return u;
      }
      u.viewer = args[++i];
    } else if (a == "--fingerprint" || a.rfind("--fingerprint=", 0) == 0) {
      if (a == "--fingerprint" && (i + 1 >= args.size() || args[i + 1].empty())) {
        u.error = formatText(Text::ToolFtpUnknownOption, "--fingerprint");
        return u;
      }
      u.fingerprint = a == "--fingerprint" ? args[++i] : a.substr(14);
    } else if (a == "--keep" || a.rfind("--keep=", 0) == 0) {
      std::string value;
      if (a == "--keep") {
        if (i + 1 >= args.size()) {
          u.error = text(Text::ToolFtpBadKeep);
          return u;
        }
        value = args[++i];
      } else {
        value = a.substr(7);
      }
      char* end = nullptr;
      errno = 0;
      long n = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || errno != 0 || n < 1 || n > 100000) {
        u.error = text(Text::ToolFtpBadKeep);
        return u;
      }
      u.keep = static_cast<int>(n);
      u.keepGiven = true;
    } else {
      u.error = formatText(Text::ToolFtpUnknownOption, shown(a).c_str());
      return u;
    }
  }
  if (!words.empty()) u.command = words[0];
  if (u.help) return u;
  if (words.empty()) {
    u.error = text(Text::ToolFtpUsage);
  } else if (!knownCommand(u.command)) {
    u.error = formatText(Text::ToolFtpUnknownCommand, shown(u.command).c_str());
  } else if (words.size() < 2 || (u.command == "send" && words.size() < 3)) {
    u.error = text(Text::ToolFtpUsage);
  } else if (u.command != "send" && words.size() > 2) {
    u.error = formatText(Text::ToolFtpTooManyArguments, u.command.c_str(), u.command.c_str());
  } else if (!u.viewer.empty() && u.command != "install-viewer") {
    u.error = formatText(Text::ToolFtpUnknownOption, "--viewer");
  } else if (!u.fingerprint.empty() && u.command != "trust-host") {
    u.error = formatText(Text::ToolFtpUnknownOption, "--fingerprint");
  } else if (u.command != "send" && (u.end || u.keepGiven)) {
    u.error = formatText(Text::ToolFtpOptionOfSend, u.end ? "--end" : "--keep");
  } else {
    u.profile = words[1];
    u.files.assign(words.begin() + 2, words.end());
  }
  return u;
}

const char* helpText(const std::string& command) {
  if (command == "check") return text(Text::ToolFtpHelpCheck);
  if (command == "clean") return text(Text::ToolFtpHelpClean);
  if (command == "send") return text(Text::ToolFtpHelpSend);
  if (command == "install-viewer") return text(Text::ToolFtpHelpInstallViewer);
  if (command == "trust-host") return text(Text::ToolFtpHelpTrustHost);
  return text(Text::ToolFtpHelp);
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

// The settings are read without a window: what would be a message box is
// kept, and the tool reports what matters in its own one line.
class QuietPrompter final : public Prompter {
 public:
  PromptAnswer ask(const std::string&, const std::string&, PromptButtons buttons,
                   PromptIcon) override {
    return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
  }
};

std::string dataFileError(const DataStore& store) {
  const DataStore::LoadResult& load = store.lastLoad();
  if (!load.ioError.empty()) {
    return formatText(Text::ToolFtpDataFileUnreadable, store.path().c_str(), load.ioError.c_str());
  }
  return formatText(Text::ToolFtpDataFileDamaged, store.path().c_str(),
                    DataFile::errorName(load.error), static_cast<unsigned long long>(load.offset));
}

}  // namespace

std::vector<std::string> viewerFiles() { return {"viewer.css", "viewer.js", "index.html"}; }

int runKaroneFtp(const std::vector<std::string>& args, FtpClient& client, std::ostream& out,
                 std::ostream& err, const KaroneFtpSetup& setup) {
  Usage usage = parse(args);
  if (!usage.error.empty()) {
    err << usage.error << "\n";
    return kUsage;
  }
  if (usage.help) {
    out << helpText(usage.command) << "\n";
    return kOk;
  }
  const bool sending = usage.command == "send";
  const std::string dataFile = setup.dataFile.empty() ? DataStore::defaultPath() : setup.dataFile;

  // Sending stores running numbers in the settings: never while the program
  // runs on the same folders (it would publish the same numbers).
  std::unique_ptr<InstanceLock> lock;
  if (sending) {
    const std::string folder = dataFile.substr(0, dataFile.rfind('/') + 1);
    lock = std::make_unique<InstanceLock>(folder.empty() ? "." : folder, "karone-ftp send");
    if (!lock->held() && lock->holder()) {
      err << formatText(Text::ToolProgramRunning, "karone-ftp", lock->holder()->program.c_str(),
                        lock->holder()->pid, folder.c_str())
          << "\n";
      return kFailed;
    }
  }

  // The profile, from the program's data file (read only: a damaged file is
  // reported, never copied or changed here).
  DataStore store(dataFile);
  if (!store.load().ok()) {
    err << dataFileError(store) << "\n";
    return kFailed;
  }
  ProfileInfo profile;
  if (!store.findProfile(usage.profile, profile)) {
    err << formatText(Text::ToolFtpNoProfile, shown(usage.profile).c_str(), store.path().c_str())
        << "\n";
    return kFailed;
  }

  profile.keyFile = setup.keyFileOf ? setup.keyFileOf(profile.name) : std::string();
  if (usage.command == "trust-host") {
    return runTrustHost(profile, client, usage.fingerprint, out, err, setup);
  }

  // The viewer's files must be there before any traffic.
  std::string viewer = usage.viewer.empty()
                           ? (setup.viewerFolder.empty() ? installedViewer() : setup.viewerFolder)
                           : usage.viewer;
  if (usage.command == "install-viewer") {
    for (const std::string& name : viewerFiles()) {
      if (::access((viewer + "/" + name).c_str(), R_OK) != 0) {
        err << formatText(Text::ToolFtpViewerMissing, shown(viewer + "/" + name).c_str(),
                          std::strerror(errno))
            << "\n";
        return kFailed;
      }
    }
  }

  // Every check before any traffic: the pictures must be readable.
  for (const auto& file : usage.files) {
    if (::access(file.c_str(), R_OK) != 0) {
      err << formatText(Text::ToolFtpCannotRead, shown(file).c_str(), std::strerror(errno))
          << "\n";
      return kFailed;
    }
  }

  // Sending needs the settings (frames per strip, the running number); like
  // the program, make sure every value exists before reading them.
  FileSettingsStorage storage(setup.settingsFile);
  QuietPrompter quiet;
  SettingsStore settings(storage, quiet);
  RunningNumberKeeper keeper(storage);
  AppSettings values;
  if (sending) {
    settings.EnsureDefaults();
    settings.Load();
    values = settings.Get();
  }

  std::atomic<bool> uploadFailed{false};
  const std::string errorPrefix = [] {
    std::string t = text(Text::FtpUploadError);
    return t.substr(0, t.find('%'));
  }();
  // What the uploader reads of the run; nothing else of its events matters
  // here (every status line reaches the console through the event log).
  std::atomic<bool> capturing{sending};
  UploadContext context;
  MemoryLogView view(400, 6, [&](const std::string& line) {
    out << line << "\n" << std::flush;
    // A tool run does not wait through the reconnection attempts: the first
    // failed upload ends it.
    if (line.find(errorPrefix) != std::string::npos) {
      uploadFailed = true;
      capturing = false;
    }
  });
  EventLog log(SystemClock::instance());
  log.setView(&view);

  // Only sending writes local files (the numbered copies, the page).
  std::string work;
  if (sending) {
    work = makeWorkFolder();
    if (work.empty()) {
      err << formatText(Text::ToolFtpCannotRead, paths::bufferDir().c_str(), std::strerror(errno))
          << "\n";
      return kFailed;
    }
  }
  struct RemoveFolder {
    std::string path;
    ~RemoveFolder() {
      std::error_code ec;
      if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
  } removeWork{work};

  context.bufferClipLimit = keptStrips(profile);
  if (usage.keepGiven) {
    context.bufferClipLimit = usage.keep;
  } else if (clipCountOutOfRange(profile)) {
    log.Log(formatText(Text::ProfileClipCountCorrected, profile.name.c_str(),
                       static_cast<int>(profile.bufferClipCount), context.bufferClipLimit));
  }
  context.framesPerStrip = values.iBufferSize;
  // Questions are answered Ok or No: the one a tool run means is the
  // warning that the profile's folder could not be entered; a server that
  // is not trusted yet is refused (trust-host trusts it).
  std::atomic<bool> asked{false};
  auto answer = [&](const std::string&, const std::string&, PromptButtons buttons, PromptIcon) {
    if (buttons == PromptButtons::YesNo) return PromptAnswer::No;
    asked = true;
    return PromptAnswer::Ok;
  };
  FtpUploader uploader({client, log, setup.sleeper ? *setup.sleeper : SystemSleeper::instance(),
                        work.empty() ? paths::bufferDir(paths::MakeFolder::No) : work, {},
                        [&] {
                          UploadContext now = context;
                          now.capturing = capturing;
                          return now;
                        },
                        {answer, {}}});
  uploader.SetProfile(profile);
  if (!uploader.StartWorker()) {
    err << text(Text::ToolFtpNoWorker) << "\n";
    return kFailed;
  }
  uploader.queue(upload::Connect{});
  uploader.waitUntilDone();
  if (!uploader.IsConnected()) {
    err << formatText(Text::ToolFtpCannotConnect, shown(profile.address).c_str(), profile.port)
        << "\n";
    return kFailed;
  }
  if (asked) {
    // The profile's folder could not be entered: do nothing elsewhere.
    err << formatText(Text::ToolFtpNoFolder, shown(profile.uploadDirectory).c_str()) << "\n";
    uploader.queue(upload::Disconnect{});
    uploader.waitUntilDone();
    return kFailed;
  }

  int result = kOk;
  if (usage.command == "install-viewer") {
    // Each file goes up under a temporary name and is renamed into place,
    // so that a visitor never loads half a file.
    for (const std::string& name : viewerFiles()) {
      const std::string local = viewer + "/" + name;
      const std::string temporary = name + ".uploading";
      FtpResult r = client.putFile(local, temporary, FtpTransferMode::Binary);
      if (r.ok()) {
        client.deleteFile(name);  // a server may refuse to rename over a file
        r = client.renameFile(temporary, name);
      }
      if (!r.ok()) {
        client.deleteFile(temporary);
        err << formatText(Text::ToolFtpViewerUploadFailed, name.c_str(), r.code()) << "\n";
        result = kFailed;
        break;
      }
      out << formatText(Text::ToolFtpViewerUploaded, name.c_str()) << "\n";
    }
    if (result == kOk) {
      std::string folder = profile.uploadDirectory;
      while (!folder.empty() && folder.front() == '/') folder.erase(0, 1);
      while (!folder.empty() && folder.back() == '/') folder.pop_back();
      out << formatText(Text::ToolFtpViewerInstalled,
                        (folder.empty() ? std::string("/") : "/" + folder + "/").c_str())
          << "\n";
    }
  } else if (usage.command == "check") {
    out << formatText(Text::ToolFtpCounts, uploader.motionBufferCount(),
                      uploader.stillBufferCount())
        << "\n";
  } else if (usage.command == "clean") {
    uploader.queue(upload::DeleteAllBuffers{});
    uploader.waitUntilDone();
    if (uploader.motionBufferCount() + uploader.stillBufferCount() != 0) {
      err << formatText(Text::ToolFtpNotAllDeleted,
                        uploader.motionBufferCount() + uploader.stillBufferCount())
          << "\n";
      result = kFailed;
    }
  } else {
    auto running = keeper.startFrom(static_cast<std::uint32_t>(values.dwUniqueRunningNum));
    for (const auto& file : usage.files) {
      // Stored ahead before the number is used: a crash from here on never
      // makes a later run use it again.
      if (!keeper.reserve(running)) {
        err << text(Text::ToolFtpCannotSaveSettings) << "\n";
        result = kFailed;
        break;
      }
      const std::string name = motionFrameName(running);
      const std::string local = work + name;
      std::string bytes;
      if (!readWholeFile(file, bytes).ok || !writeFileAtomically(local, bytes).ok) {
        err << formatText(Text::ToolFtpCannotRead, shown(file).c_str(), std::strerror(errno))
            << "\n";
        result = kFailed;
        break;
      }
      FrameRequest frame;
      frame.captureMode = 0;
      frame.localPath = local;
      frame.runningNumber = running;
      ++running;  // a number once used is never given again
      const int pageFailures = uploader.statusPageFailures();
      uploader.queue(upload::UploadFrame{frame});
      uploader.waitUntilDone();
      if (uploadFailed) {
        err << formatText(Text::ToolFtpUploadFailed, shown(file).c_str()) << "\n";
        result = kFailed;
        break;
      }
      if (uploader.statusPageFailures() != pageFailures) {
        err << formatText(Text::ToolFtpPageNotPublished, name.c_str()) << "\n";
        result = kFailed;
        break;
      }
    }
    // The exact next number, for the program and the next run.
    if (!keeper.store(running) && result == kOk) {
      err << text(Text::ToolFtpCannotSaveSettings) << "\n";
      result = kFailed;
    }
    if (result == kOk && usage.end) {
      capturing = false;
      uploader.queue(upload::EndSession{});
      uploader.waitUntilDone();
    }
  }
  uploader.queue(upload::Disconnect{});
  uploader.waitUntilDone();
  uploader.StopWorker();
  return result;
}

}  // namespace karone
