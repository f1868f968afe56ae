#pragma once
// FramePipeline: the capture window's frame pipeline, without the window.
// It takes frames from a capture graph on timer ticks, composes them into a
// strip (motion mode: framesPerStrip frames side by side, oldest left) or a
// single picture (still mode), and has its writer thread store the finished
// picture as a BMP in the buffer folder, convert it to JPEG and hand the
// JPEG to its host for upload. At most one picture is in flight: after a
// hand-off no further strip is offered until the host confirms the upload
// with ClearUploadFlags().
//
// The pipeline runs its own two timers through the given TimerService: the
// motion timer (every 1000 / framesPerSecond ms) and the still countdown
// (every second), started by StartCapture and stopped by StopCapture.
// Still mode reads the time from the Clock given at construction.
//
// Threads: every operation runs on the owner's thread (the window thread),
// except that the writer thread calls the host's handOff() and
// jpegQuality(), and ClearUploadFlags() / ClearStopping() / workerIdle() may
// be called from any thread. The writer works on a private copy of the
// finished picture, so composing the next strip never races with writing.
// The destructor stops the writer thread after its current picture.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "capture/CaptureDefaults.h"
#include "capture/FrameSource.h"
#include "capture/JpegConversionStep.h"
#include "capture/JpegEncoder.h"
#include "capture/Picture.h"
#include "capture/PipelineHost.h"
#include "platform/threads/CountingSemaphore.h"
#include "platform/threads/WorkerThread.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Timers.h"

namespace karone {

class FramePipeline {
 public:
  enum class Timer { None, Motion, Still };

  struct Options {
    int framesPerStrip = kDefaultFramesPerStrip;  // iBufferSize
    int imageWidth = kDefaultImageWidth;          // iImageWidth / iImageHeight
    int imageHeight = kDefaultImageHeight;
    std::string lastDeviceName;  // strLastCaptureDevice, preferred when set
    std::string bufferFolder;    // empty: paths::bufferDir()
  };

  // The device names preferred without any setting: the built-in
  // test-pattern device.
  static std::vector<std::string> builtInPreferredDevices();

  // Enumerates the devices, picks the preferred one (the last match wins)
  // and starts the writer thread.
  FramePipeline(FrameSource& graph, PipelineHost& host, Prompter& prompter, const Clock& clock,
                TimerService& timers, Options options);
  ~FramePipeline();
  FramePipeline(const FramePipeline&) = delete;
  FramePipeline& operator=(const FramePipeline&) = delete;

  // Frees the ring and makes n empty slots (n < 1 counts as 1); called before
  // each start with iBufferSize.
  void AllocateSlots(int n);
  // Binds deviceIndex, builds the graph and routes videoSource: 0 success,
  // 1 device could not be bound or graph failed, 2 frame grabber missing.
  int EnableDevice();
  // Preview off: tears the graph down.
  void disableDevice();

  // Refused (false) while a session runs, while a stop is pending, while
  // the graph is not running, or when the picture cannot be made.
  bool StartCapture(bool scheduled);
  void StopCapture();

  // The ticks of the motion timer (period 1000 / framesPerSecond ms) and of
  // the still timer (1000 ms); public so that tests and benchmarks may call
  // them directly.
  void motionTick();
  void stillTick();
  Timer activeTimer() const { return timer_; }
  int timerPeriodMillis() const;

  // The upload of the handed-on JPEG is confirmed: the next strip may go.
  void ClearUploadFlags();
  // The upload session has ended: a new capture session may start.
  void ClearStopping();

  // State queries.
  bool graphRunning() const { return graph_.running(); }
  bool capturing() const { return capturing_; }
  bool scheduled() const { return scheduled_; }
  bool stopping() const { return stopping_; }
  // No picture is waiting for the writer or being written.
  bool workerIdle() const { return pending_ == 0; }
  bool uploadPending() const { return uploadPending_ != 0; }
  bool stripReady() const { return stripReady_ != 0; }
  bool locked() const { return locked_; }
  void setLocked(bool locked) { locked_ = locked; }

  int framesPerSecond() const { return framesPerSecond_; }
  void setFramesPerSecond(int fps) { framesPerSecond_ = fps < 1 ? 1 : fps; }
  int framesPerStrip() const { return framesPerStrip_; }
  int imageWidth() const { return imageWidth_; }
  int imageHeight() const { return imageHeight_; }
  // Applies from the next capture start.
  void setImageSize(int width, int height);

  int deviceIndex() const { return deviceIndex_; }
  void setDeviceIndex(int index) { deviceIndex_ = index; }
  int videoSource() const { return videoSource_; }
  void setVideoSource(int connectorType) { videoSource_ = connectorType; }
  const std::string& lastDeviceName() const { return lastDeviceName_; }
  const std::vector<std::string>& deviceNames() const { return deviceNames_; }
  // Lists the devices again; the bound position follows its device when the
  // list has changed (-1 when it has gone). An empty listing changes nothing.
  void refreshDevices();

  std::uint32_t fileCounter() const { return fileCounter_; }
  void setFileCounter(std::uint32_t counter) { fileCounter_ = counter; }
  std::uint32_t lastWrittenCounter() const { return lastWrittenCounter_; }
  std::string currentJpegPath() const;
  const std::string& bufferFolder() const { return bufferFolder_; }

  // The picture being composed (strip or still), for tests and previews.
  const Picture& outputImage() const { return output_; }
  // The frame ring (motion mode), oldest first once it is full.
  const std::vector<Picture>& frameSlots() const { return slots_; }

 private:
  static void writerMain(void* self);
  void writerLoop();
  void writeFrame();
  // Grabs one frame, scaled to the picture size when both dimensions differ.
  bool grabScaled(Picture& frame);
  void grabIntoRing(int index);
  void grabStill();
  void takeStill();
  // Hands the writer a copy of the finished picture and wakes it once.
  void releasePicture();
  void copyTopLeft(const Picture& frame, Picture& target) const;
  void recompose();

  FrameSource& graph_;
  PipelineHost& host_;
  Prompter& prompter_;
  const Clock& clock_;

  // Window thread.
  int grabbedWidth_ = 0;
  int grabbedHeight_ = 0;
  int bitsPerPixel_ = 24;
  int imageWidth_ = kDefaultImageWidth;
  int imageHeight_ = kDefaultImageHeight;
  int deviceIndex_ = -1;
  int videoSource_ = -1;
  std::vector<std::string> deviceNames_;
  std::vector<Picture> slots_;
  Picture output_;
  int framesPerSecond_ = 1;
  int framesPerStrip_ = kDefaultFramesPerStrip;
  int frameIndex_ = 1;
  bool firstPass_ = true;
  bool scheduled_ = false;
  bool locked_ = false;
  Timer timer_ = Timer::None;
  int stillPeriod_ = 0;
  Seconds lastShot_ = 0;
  Seconds nextShot_ = 0;
  bool fiveMinuteNoticeGiven_ = false;
  bool oneMinuteNoticeGiven_ = false;
  std::string lastDeviceName_;
  std::string bufferFolder_;

  // Shared with the writer thread.
  std::atomic<bool> capturing_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<int> stripReady_{0};
  std::atomic<int> uploadPending_{0};
  std::atomic<int> workerRunning_{0};
  std::atomic<int> pending_{0};  // pictures released and not yet written
  std::atomic<int> sessionMode_{0};
  std::atomic<std::uint32_t> fileCounter_{0};
  std::atomic<std::uint32_t> lastWrittenCounter_{0};
  std::atomic<bool> quit_{false};
  mutable std::mutex handedMutex_;  // guards handed_ and currentJpegPath_
  std::shared_ptr<const Picture> handed_;
  std::string currentJpegPath_;

  std::unique_ptr<karone::Timer> motionTimer_;
  std::unique_ptr<karone::Timer> stillTimer_;
  JpegEncoder encoder_;
  JpegConversionStep conversion_;
  CountingSemaphore wakeUp_;
  std::unique_ptr<WorkerThread> worker_;
};

}  // namespace karone
