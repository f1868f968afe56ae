#include "ftp/StatusPagePublisher.h"

#include <unistd.h>

#include "ftp/RemoteNames.h"
#include "ftp/StatusPage.h"
#include "platform/AtomicFile.h"
#include "resources/Texts.h"

namespace karone {

StatusPagePublisher::StatusPagePublisher(FtpClient& client, EventLog& log, std::string folder)
    : client_(client), log_(log), folder_(std::move(folder)) {}

std::string StatusPagePublisher::localPath() const {
  return folder_ + std::string(kStatusPageName);
}

bool StatusPagePublisher::publishStopped() {
  const bool exiting = exiting_;
  if (exiting && exitTry_) return *exitTry_;
  const auto path = localPath();
  if (!writeFileAtomically(path, stoppedStatusPage()).ok) {
    log_.Log(formatText(Text::FtpStatusPageNotPublished,
                        static_cast<int>(FtpError::LocalFile) + 12000));
    if (exiting) exitTry_ = false;
    return false;
  }
  FtpResult put = client_.putFile(path, std::string(kStatusPageName), FtpTransferMode::Ascii);
  // At the exit this is the one try, so its failure is said even when the
  // connection is gone.
  if (!put.ok() && (client_.isConnected() || exiting)) {
    log_.Log(formatText(Text::FtpStatusPageNotPublished, put.code()));
  }
  if (put.ok()) strip_.clear();
  if (exiting) exitTry_ = put.ok();
  return put.ok();
}

bool StatusPagePublisher::publishRunning(const std::string& frameName, const UploadContext& run) {
  StatusPageValues values;
  values.framesPerStrip = run.framesPerStrip;
  values.currentFrame = frameName;
  values.framesPerSecond = run.framesPerSecond;
  values.caption = run.caption.text;
  values.colour = run.caption.colour;
  const auto path = localPath();
  const std::string page(kStatusPageName);
  const std::string temp(kStatusPageTempName);
  // The page is replaced only by a complete new one: when the new page could
  // not be stored, the one published stays (a half-stored temporary is
  // removed, never renamed into place).
  FtpResult result;
  if (!writeFileAtomically(path, runningStatusPage(values)).ok) {
    result = FtpResult::failure(FtpError::LocalFile, "cannot write " + path);
  } else {
    result = client_.putFile(path, temp, FtpTransferMode::Ascii);
    if (!result.ok()) {
      if (result.error == FtpError::Refused) client_.deleteFile(temp);
    } else {
      client_.deleteFile(page);  // none yet is no error
      result = client_.renameFile(temp, page);
    }
  }
  ::unlink(path.c_str());
  if (!result.ok()) {
    ++failures_;
    log_.Log(formatText(Text::FtpStatusPageNotPublished, result.code()));
    return false;
  }
  strip_ = frameName;
  return true;
}

std::optional<std::uint32_t> StatusPagePublisher::stripOnServer() {
  constexpr std::size_t kMaxPage = 4096;  // ours are a few hundred bytes
  std::string page;
  if (!client_.getFile(std::string(kStatusPageName), page, kMaxPage).ok()) return std::nullopt;
  auto current = pageCurrentFrame(page);
  if (!current) return std::nullopt;
  auto number = motionRunningNumber(*current);
  if (!number || motionFrameName(*number) != *current) return std::nullopt;
  return number;
}

}  // namespace karone
