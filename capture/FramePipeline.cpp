#include "capture/FramePipeline.h"

#include <algorithm>
#include <cstring>

#include "capture/BmpFormat.h"
#include "capture/ImageScaler.h"
#include "capture/PipelineNames.h"
#include "platform/Paths.h"
#include "platform/VideoCapture.h"
#include "resources/Texts.h"

namespace karone {

std::vector<std::string> FramePipeline::builtInPreferredDevices() {
  return {kTestPatternDeviceName};
}

FramePipeline::FramePipeline(FrameSource& graph, PipelineHost& host, Prompter& prompter,
                             const Clock& clock, TimerService& timers, Options options)
    : graph_(graph),
      host_(host),
      prompter_(prompter),
      clock_(clock),
      lastDeviceName_(std::move(options.lastDeviceName)),
      bufferFolder_(std::move(options.bufferFolder)),
      conversion_(encoder_, [this](const std::string& jpegPath, std::uint32_t counter) {
        host_.handOff(jpegPath, counter);
      }) {
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

  wakeUp_.Create(0);
  worker_ = createWorkerThread();
  if (!worker_->Start(&FramePipeline::writerMain, this)) worker_.reset();
}

FramePipeline::~FramePipeline() {
  quit_ = true;
  wakeUp_.Close();  // wakes the writer; it ends after its current picture
  if (worker_) worker_->Wait();
}

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
  std::vector<std::string> names = graph_.enumerateDevices();
  if (!names.empty()) deviceNames_ = std::move(names);
  if (!graph_.bindDevice(deviceIndex_)) return 1;
  int result = graph_.buildGraph();
  if (result != 0) return result;
  graph_.RouteVideoInput(videoSource_);
  return 0;
}

void FramePipeline::disableDevice() { graph_.teardown(); }

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

bool FramePipeline::StartCapture(bool scheduled) {
  if (capturing_ || stopping_ || !graph_.running()) return false;
  frameIndex_ = 1;
  uploadPending_ = 0;
  if (!graph_.frameSize(grabbedWidth_, grabbedHeight_, bitsPerPixel_)) return false;

  const int mode = host_.captureMode();
  sessionMode_ = mode;
  if (mode == 0) {
    if (static_cast<long>(imageWidth_) * framesPerStrip_ > Picture::kMaxDimension) return false;
    output_ = Picture(imageWidth_ * framesPerStrip_, imageHeight_);
    if (output_.empty()) return false;
    slots_.assign(static_cast<size_t>(framesPerStrip_), Picture(imageWidth_, imageHeight_));
    stripReady_ = 0;
    host_.setProgressRange(0, framesPerStrip_);
    scheduled_ = scheduled;
    timer_ = Timer::Motion;
    motionTimer_->start(motionTimerPeriodMillis(framesPerSecond_));
  } else {
    output_ = Picture(imageWidth_, imageHeight_);
    if (output_.empty()) return false;
    host_.setProgressRange(0, 100);
    scheduled_ = scheduled;
    stillPeriod_ = host_.stillPeriodSeconds();
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
  workerRunning_ = 0;
  host_.StopReconnectCountdown(true);
  return true;
}

void FramePipeline::StopCapture() {
  if (!capturing_) return;
  timer_ = Timer::None;
  motionTimer_->stop();
  stillTimer_->stop();
  capturing_ = false;
  stopping_ = true;
  host_.captureStopped();
  scheduled_ = false;
  host_.setProgressPosition(0);
  host_.setStatusText(" ");
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
  if (!graph_.running() || !capturing_ || timer_ != Timer::Motion) return;
  grabIntoRing(frameIndex_);

  if (++frameIndex_ > framesPerStrip_) {
    if (!stripReady_) {
      if (uploadPending_) {
        host_.setStatusText(text(Text::CaptureUploadWaiting));
      } else {
        stripReady_ = 1;
        host_.setStatusText(text(Text::CaptureInProgress));
      }
    } else if (uploadPending_) {
      host_.setStatusText(text(Text::CaptureUploadWaiting));
    }
    firstPass_ = false;
    frameIndex_ = 1;
  }

  if (!workerRunning_ && stripReady_) {
    // Taken now rather than when the writer wakes, so that a second tick
    // before the writer runs cannot offer a second picture.
    workerRunning_ = 1;
    releasePicture();
  }
}

void FramePipeline::stillTick() {
  if (!graph_.running() || !capturing_ || timer_ != Timer::Still) return;
  const Seconds remaining = nextShot_ - clock_.now();
  host_.setProgressPosition(stillProgress(remaining, stillPeriod_));
  host_.setStatusText(countdownText(remaining));

  if (remaining > 300) fiveMinuteNoticeGiven_ = false;
  else if (remaining > 60) oneMinuteNoticeGiven_ = false;

  const bool wantsNotices = host_.autoShutAndReconnect() || scheduled_;
  if (remaining <= 300 && wantsNotices && !fiveMinuteNoticeGiven_) {
    fiveMinuteNoticeGiven_ = true;
    host_.fiveMinuteNotice();
  } else if (remaining <= 60 && wantsNotices && !oneMinuteNoticeGiven_) {
    oneMinuteNoticeGiven_ = true;
    host_.oneMinuteNotice();
  }

  if (remaining <= 0) takeStill();
}

void FramePipeline::takeStill() {
  if (!host_.uploaderIdle()) return;  // tried again on the next tick
  lastShot_ = clock_.now();
  nextShot_ = lastShot_ + stillPeriod_;
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
  host_.setProgressPosition(index);
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
  auto copy = std::make_shared<const Picture>(output_);
  {
    std::lock_guard lock(handedMutex_);
    handed_ = std::move(copy);
  }
  ++pending_;
  if (!wakeUp_.Release()) --pending_;
}

void FramePipeline::ClearUploadFlags() {
  uploadPending_ = 0;
  workerRunning_ = 0;
}

void FramePipeline::ClearStopping() { stopping_ = false; }

std::string FramePipeline::currentJpegPath() const {
  std::lock_guard lock(handedMutex_);
  return currentJpegPath_;
}

void FramePipeline::writerMain(void* self) { static_cast<FramePipeline*>(self)->writerLoop(); }

void FramePipeline::writerLoop() {
  for (;;) {
    if (wakeUp_.Wait() != CountingSemaphore::kWaitSignalled || quit_) break;
    workerRunning_ = 1;
    writeFrame();
    --pending_;
  }
}

void FramePipeline::writeFrame() {
  std::shared_ptr<const Picture> picture;
  {
    std::lock_guard lock(handedMutex_);
    picture = handed_;
  }
  const std::uint32_t counter = fileCounter_;
  const std::string bmpPath = bufferBmpPath(bufferFolder_, sessionMode_, counter);
  if (!picture || picture->empty() || !writeBmp(bmpPath, *picture).ok) {
    // Dropped; motion mode goes on with the next strip.
    stripReady_ = 0;
    workerRunning_ = 0;
    return;
  }
  lastWrittenCounter_ = counter;

  JpegConversionStep::Outcome outcome = conversion_.run(
      bmpPath, host_.jpegQuality(), counter, {stripReady_, uploadPending_, workerRunning_});
  {
    std::lock_guard lock(handedMutex_);
    currentJpegPath_ = outcome.jpegPath;
  }
  // A picture that could not be converted is dropped and keeps its number.
  if (outcome.handedOn()) fileCounter_.fetch_add(1);
}

}  // namespace karone
