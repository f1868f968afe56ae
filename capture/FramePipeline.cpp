#include "capture/FramePipeline.h"

#include <algorithm>
#include <cstring>

#include "capture/BmpFormat.h"
#include "capture/ImageScaler.h"
#include "capture/PipelineNames.h"
#include "platform/Paths.h"
#include "platform/ThreadCheck.h"
#include "platform/VideoCapture.h"
#include "resources/Texts.h"

namespace karone {
namespace {

// The reason in a failure message, without the picture's own file: every
// picture has a new name, and one cause must read the same each time.
// "cannot create /tmp/motion_img_0000001a.bmp: No space left on device"
// gives "No space left on device"; a message that does not end so loses
// the file name and keeps the rest.
std::string failureReason(const std::string& message, const std::string& path) {
  const std::string afterPath = path + ": ";
  if (const auto at = message.find(afterPath); at != std::string::npos) {
    return message.substr(at + afterPath.size());
  }
  std::string reason = message;
  for (const std::string& piece : {" (" + path + ")", path}) {
    for (auto at = reason.find(piece); at != std::string::npos; at = reason.find(piece)) {
      reason.erase(at, piece.size());
    }
  }
  return reason;
}

}  // namespace

std::vector<std::string> FramePipeline::builtInPreferredDevices() {
  return {kTestPatternDeviceName};
}

FramePipeline::FramePipeline(FrameSource& graph, TaskRunner& owner, PipelineHost host,
                             Prompter& prompter, const Clock& clock, TimerService& timers,
                             Options options)
    : graph_(graph),
      owner_(owner),
      host_(std::move(host)),
      prompter_(prompter),
      clock_(clock),
      jpegQuality_(options.jpegQuality),
      lastDeviceName_(std::move(options.lastDeviceName)),
      bufferFolder_(std::move(options.bufferFolder)) {
  framesPerStrip_ = std::max(options.framesPerStrip, 1);
  setImageSize(options.imageWidth, options.imageHeight);
  bufferFolder_ = bufferFolder_.empty() ? paths::bufferDir()
                                        : paths::withTrailingSlash(std::move(bufferFolder_));

  deviceNames_ = graph_.enumerateDevices();
  std::vector<std::string> preferred = builtInPreferredDevices();
  if (!lastDeviceName_.empty()) preferred.push_back(lastDeviceName_);
  deviceIndex_ = preferredDeviceIndex(deviceNames_, preferred);

  motionTimer_ = timers.createTimer([this] { motionTick(); });
  stillTimer_ = timers.createTimer([this] { stillTick(); });
  watchTimer_ = timers.createTimer([this] { watchTick(); });
  writer_.start();
  opener_.start();
}

FramePipeline::~FramePipeline() {
  // An attempt under way gives up; the camera it opened is released here,
  // before the graph and the preview it feeds.
  if (opening_) opening_->abandon();
  opener_.stop();
  dropReopen();
  writer_.stop();
}

void FramePipeline::tell(PipelineEvent event) {
  if (host_.onEvent) host_.onEvent(event);
}

bool FramePipeline::uploaderIdle() const { return !host_.uploaderIdle || host_.uploaderIdle(); }

void FramePipeline::setImageSize(int width, int height) {
  if (width < 1 || height < 1 || width > Picture::kMaxDimension ||
      height > Picture::kMaxDimension)
    return;
  imageWidth_ = width;
  imageHeight_ = height;
}

void FramePipeline::AllocateSlots(int n) {
  framesPerStrip_ = std::max(n, 1);
  slots_.assign(static_cast<size_t>(framesPerStrip_), Picture());
}

int FramePipeline::EnableDevice() {
  dropReopen();
  std::vector<std::string> names = graph_.enumerateDevices();
  if (!names.empty()) deviceNames_ = std::move(names);
  if (!graph_.bindDevice(deviceIndex_)) return 1;
  int result = graph_.buildGraph();
  if (result != 0) return result;
  graph_.RouteVideoInput(videoSource_);
  startWatching();
  return 0;
}

void FramePipeline::disableDevice() {
  dropReopen();
  watchTimer_->stop();
  watch_.closed();
  awaitingFrame_ = false;
  graph_.teardown();
}

void FramePipeline::startWatching() {
  const Seconds now = clock_.now();
  const std::string name = deviceIndex_ >= 0 && deviceIndex_ < static_cast<int>(deviceNames_.size())
                               ? deviceNames_[static_cast<std::size_t>(deviceIndex_)]
                               : std::string();
  if (cameraGone() && name == watchedDevice_) {
    tell(pipelineevent::CameraReturned{watchedDevice_, watch_.goneFor(now)});
  }
  watchedDevice_ = name;
  watch_.opened();
  awaitingFrame_ = false;
  watchTimer_->start(1000);
}

void FramePipeline::watchTick() {
  KARONE_CHECK_THREAD(owner_);
  const Seconds now = clock_.now();
  if (watch_.state() == CameraWatch::State::Watching) {
    if (auto reason = watch_.check(graph_.silence(), graph_.runFailure())) {
      loseCamera(now, *reason);
    }
  } else if (watch_.retryDue(now)) {
    reopenCamera(now);
  }
}

void FramePipeline::loseCamera(Seconds now, const std::string& reason) {
  graph_.teardown();
  watch_.gone(now);
  // The strip being filled holds frames from before the loss: start it
  // afresh. A picture already released goes its way.
  frameIndex_ = 1;
  firstPass_ = true;
  if (!released_) stripReady_ = false;
  tell(pipelineevent::CameraLost{watchedDevice_, reason});
  tell(pipelineevent::StatusText{text(Text::CameraLostStatus)});
}

void FramePipeline::reopenCamera(Seconds now) {
  if (opening_) return;  // one attempt at a time
  // By name: the list may have changed while the camera was away.
  std::vector<std::string> names = graph_.enumerateDevices();
  int index = -1;
  for (std::size_t i = 0; i < names.size(); ++i)
    if (names[i] == watchedDevice_) index = static_cast<int>(i);
  std::unique_ptr<FrameSource::Opening> opening = index >= 0 ? graph_.prepareOpen(index) : nullptr;
  if (!opening) {
    graph_.teardown();
    watch_.retryFailed(now);
    return;
  }
  opening_ = std::move(opening);
  const std::uint64_t generation = ++openGeneration_;
  const bool posted = opener_.post([this, generation, names = std::move(names), index,
                                    opening = opening_, alive = std::weak_ptr(alive_)]() mutable {
    const int result = opening->start();
    // Released on the owner's thread, unless it dropped the attempt meanwhile.
    opening.reset();
    owner_.post([this, generation, result, names = std::move(names), index, alive]() mutable {
      if (!alive.expired()) onReopenStarted(generation, result, std::move(names), index);
    });
  });
  if (!posted) {
    dropReopen();
    watch_.retryFailed(now);
  }
}

void FramePipeline::dropReopen() {
  if (opening_) opening_->abandon();
  opening_.reset();
  ++openGeneration_;
}

void FramePipeline::onReopenStarted(std::uint64_t generation, int result,
                                    std::vector<std::string> names, int index) {
  KARONE_CHECK_THREAD(owner_);
  if (generation != openGeneration_ || !opening_) return;  // dropped meanwhile
  std::shared_ptr<FrameSource::Opening> opening = std::move(opening_);
  const Seconds now = clock_.now();
  if (result != 0 || graph_.adopt(*opening) != 0) {
    opening.reset();
    graph_.teardown();
    watch_.retryFailed(now);
    return;
  }
  opening.reset();
  deviceNames_ = std::move(names);
  deviceIndex_ = index;
  graph_.RouteVideoInput(videoSource_);
  const Seconds gone = watch_.goneFor(now);
  watch_.opened();
  awaitingFrame_ = true;
  tell(pipelineevent::CameraReturned{watchedDevice_, gone});
  if (capturing_ && timer_ == Timer::Motion) {
    tell(pipelineevent::StatusText{text(Text::CaptureInProgress)});
  }
}

bool FramePipeline::frameAvailable() {
  if (!awaitingFrame_) return true;
  const std::optional<std::uint64_t> frames = graph_.framesArrived();
  if (frames && *frames == 0) return false;
  awaitingFrame_ = false;
  return true;
}

void FramePipeline::refreshDevices() {
  std::vector<std::string> names = graph_.enumerateDevices();
  if (names.empty() || names == deviceNames_) return;
  if (deviceIndex_ >= 0 && deviceIndex_ < static_cast<int>(deviceNames_.size())) {
    const std::string bound = deviceNames_[static_cast<std::size_t>(deviceIndex_)];
    deviceIndex_ = -1;
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i] == bound) deviceIndex_ = static_cast<int>(i);
  } else {
    deviceIndex_ = -1;
  }
  deviceNames_ = std::move(names);
}

bool FramePipeline::StartCapture(bool scheduled, const CaptureSessionSettings& session) {
  KARONE_CHECK_THREAD(owner_);
  if (capturing_ || stopping_ || !graph_.running()) return false;
  frameIndex_ = 1;
  uploadPending_ = false;
  if (!graph_.frameSize(grabbedWidth_, grabbedHeight_, bitsPerPixel_)) return false;

  session_ = session;
  if (session.mode == 0) {
    if (static_cast<long>(imageWidth_) * framesPerStrip_ > Picture::kMaxDimension) return false;
    output_ = Picture(imageWidth_ * framesPerStrip_, imageHeight_);
    if (output_.empty()) return false;
    slots_.assign(static_cast<size_t>(framesPerStrip_), Picture(imageWidth_, imageHeight_));
    stripReady_ = false;
    tell(pipelineevent::ProgressRange{0, framesPerStrip_});
    scheduled_ = scheduled;
    timer_ = Timer::Motion;
    motionTimer_->start(motionTimerPeriodMillis(framesPerSecond_));
  } else {
    output_ = Picture(imageWidth_, imageHeight_);
    if (output_.empty()) return false;
    tell(pipelineevent::ProgressRange{0, 100});
    scheduled_ = scheduled;
    nextShot_ = clock_.now();
    fiveMinuteNoticeGiven_ = false;
    oneMinuteNoticeGiven_ = false;
    takeStill();
    timer_ = Timer::Still;
    stillTimer_->start(1000);
  }
  firstPass_ = true;
  capturing_ = true;
  locked_ = false;
  released_ = false;
  tell(pipelineevent::StopReconnectCountdown{true});
  return true;
}

void FramePipeline::StopCapture() {
  if (!capturing_) return;
  timer_ = Timer::None;
  motionTimer_->stop();
  stillTimer_->stop();
  capturing_ = false;
  stopping_ = true;
  tell(pipelineevent::CaptureStopped{});
  scheduled_ = false;
  tell(pipelineevent::ProgressPosition{0});
  tell(pipelineevent::StatusText{" "});
}

int FramePipeline::timerPeriodMillis() const {
  switch (timer_) {
    case Timer::Motion: return motionTimerPeriodMillis(framesPerSecond_);
    case Timer::Still: return 1000;
    case Timer::None: break;
  }
  return 0;
}

void FramePipeline::motionTick() {
  KARONE_CHECK_THREAD(owner_);
  if (!graph_.running() || !capturing_ || timer_ != Timer::Motion || !frameAvailable()) return;
  grabIntoRing(frameIndex_);

  if (++frameIndex_ > framesPerStrip_) {
    if (!stripReady_) {
      if (uploadPending_) {
        tell(pipelineevent::StatusText{text(Text::CaptureUploadWaiting)});
      } else {
        stripReady_ = true;
        tell(pipelineevent::StatusText{text(Text::CaptureInProgress)});
      }
    } else if (uploadPending_) {
      tell(pipelineevent::StatusText{text(Text::CaptureUploadWaiting)});
    }
    firstPass_ = false;
    frameIndex_ = 1;
  }

  if (!released_ && !inFlight_ && stripReady_) {
    released_ = true;
    releasePicture();
  }
}

void FramePipeline::stillTick() {
  KARONE_CHECK_THREAD(owner_);
  if (!graph_.running() || !capturing_ || timer_ != Timer::Still) return;
  const Seconds remaining = nextShot_ - clock_.now();
  tell(pipelineevent::ProgressPosition{stillProgress(remaining, session_.stillPeriodSeconds)});
  tell(pipelineevent::StatusText{countdownText(remaining)});

  if (remaining > 300) fiveMinuteNoticeGiven_ = false;
  else if (remaining > 60) oneMinuteNoticeGiven_ = false;

  const bool wantsNotices = session_.autoShutAndReconnect || scheduled_;
  if (remaining <= 300 && wantsNotices && !fiveMinuteNoticeGiven_) {
    fiveMinuteNoticeGiven_ = true;
    tell(pipelineevent::FiveMinuteNotice{});
  } else if (remaining <= 60 && wantsNotices && !oneMinuteNoticeGiven_) {
    oneMinuteNoticeGiven_ = true;
    tell(pipelineevent::OneMinuteNotice{});
  }

  if (remaining <= 0) takeStill();
}

void FramePipeline::takeStill() {
  // Tried again on the next tick.
  if (inFlight_ || !uploaderIdle() || !frameAvailable()) return;
  lastShot_ = clock_.now();
  nextShot_ = lastShot_ + session_.stillPeriodSeconds;
  grabStill();
  releasePicture();
}

bool FramePipeline::grabScaled(Picture& frame) {
  if (!graph_.grabFrame(frame) || frame.empty()) return false;
  if (frame.width() != imageWidth_ && frame.height() != imageHeight_) {
    std::optional<Picture> scaled = ImageScaler::Scale(frame, imageWidth_, imageHeight_);
    if (!scaled || scaled->empty()) return false;
    frame = std::move(*scaled);
  }
  return true;
}

void FramePipeline::grabIntoRing(int index) {
  Picture frame;
  if (!grabScaled(frame)) {
    StopCapture();
    prompter_.ask(text(Text::CaptureCannotStart), text(Text::CaptureStillCaption),
                  PromptButtons::Ok, PromptIcon::Warning);
    return;
  }
  if (slots_.empty()) return;
  Picture* target = nullptr;
  if (firstPass_ && index >= 1 && index <= static_cast<int>(slots_.size())) {
    target = &slots_[static_cast<size_t>(index - 1)];
  } else {
    // The oldest slot's storage becomes the newest slot.
    std::rotate(slots_.begin(), slots_.begin() + 1, slots_.end());
    target = &slots_.back();
  }
  copyTopLeft(frame, *target);
  tell(pipelineevent::ProgressPosition{index});
  recompose();
}

void FramePipeline::grabStill() {
  Picture frame;
  if (!grabScaled(frame)) return;  // the previous picture is written again
  copyTopLeft(frame, output_);
}

void FramePipeline::copyTopLeft(const Picture& frame, Picture& target) const {
  if (target.width() != imageWidth_ || target.height() != imageHeight_)
    target = Picture(imageWidth_, imageHeight_);
  const int rows = std::min(imageHeight_, frame.height());
  const size_t bytes = 3 * static_cast<size_t>(std::min(imageWidth_, frame.width()));
  if (rows < imageHeight_ || frame.width() < imageWidth_)
    std::fill(target.bytes().begin(), target.bytes().end(), 0);
  for (int y = 0; y < rows; ++y) std::memcpy(target.topRow(y), frame.topRow(y), bytes);
}

void FramePipeline::recompose() {
  const size_t slotBytes = 3 * static_cast<size_t>(imageWidth_);
  for (size_t i = 0; i < slots_.size(); ++i) {
    const Picture& slot = slots_[i];
    if (slot.width() != imageWidth_ || slot.height() != imageHeight_) continue;
    for (int row = 0; row < imageHeight_; ++row)
      std::memcpy(output_.row(row) + i * slotBytes, slot.row(row), slotBytes);
  }
}

void FramePipeline::releasePicture() {
  WriteJob job{output_, bufferBmpPath(bufferFolder_, session_.mode, fileCounter_), fileCounter_,
               jpegQuality_};
  inFlight_ = true;
  // The writer uses nothing of the pipeline but conversion_ and owner_, both
  // fixed for its life; the result is applied on the owner's thread.
  const bool posted = writer_.post([this, job = std::move(job), alive = std::weak_ptr(alive_)] {
    Written written = write(job, conversion_);
    owner_.post([this, written = std::move(written), alive] {
      if (!alive.expired()) onWritten(written);
    });
  });
  if (!posted) inFlight_ = false;
}

FramePipeline::Written FramePipeline::write(const WriteJob& job,
                                            const JpegConversionStep& conversion) {
  Written written;
  written.counter = job.counter;
  if (job.picture.empty()) return written;
  const FileResult bmp = writeBmp(job.bmpPath, job.picture);
  written.bmpWritten = bmp.ok;
  if (!bmp.ok) {
    written.failure = failureReason(bmp.error, job.bmpPath);
  } else {
    written.jpeg = conversion.run(job.bmpPath, job.quality);
    if (!written.jpeg.converted()) {
      written.failure = failureReason(
          failureReason(written.jpeg.convert.message, written.jpeg.jpegPath), job.bmpPath);
    }
  }
  return written;
}

void FramePipeline::onWritten(const Written& written) {
  inFlight_ = false;
  stripReady_ = false;
  if (written.bmpWritten) {
    lastWrittenCounter_ = written.counter;
    currentJpegPath_ = written.jpeg.jpegPath;
  }
  if (!written.bmpWritten || !written.jpeg.converted()) {
    // Dropped, and the number is kept; motion mode goes on with the next strip.
    released_ = false;
    if (!written.failure.empty() && written.failure != reportedFailure_) {
      reportedFailure_ = written.failure;
      tell(pipelineevent::WorkFolderProblem{bufferFolder_, written.failure});
    }
    return;
  }
  if (!reportedFailure_.empty()) {
    reportedFailure_.clear();
    tell(pipelineevent::WorkFolderRecovered{bufferFolder_});
  }
  uploadPending_ = true;
  ++fileCounter_;
  tell(pipelineevent::PictureReady{written.jpeg.jpegPath, written.counter});
}

void FramePipeline::ClearUploadFlags() {
  KARONE_CHECK_THREAD(owner_);
  uploadPending_ = false;
  released_ = false;
}

void FramePipeline::ClearStopping() {
  KARONE_CHECK_THREAD(owner_);
  stopping_ = false;
}

void FramePipeline::setJpegQuality(int quality) {
  KARONE_CHECK_THREAD(owner_);
  jpegQuality_ = quality;
}

}  // namespace karone
