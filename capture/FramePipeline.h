#pragma once
// FramePipeline: the capture window's frame pipeline, without the window.
// It takes frames from a capture graph on timer ticks, composes them into a
// strip (motion mode: framesPerStrip frames side by side, oldest left) or a
// single picture (still mode), and has its writer thread store the finished
// picture as a BMP in the buffer folder and convert it to JPEG; the JPEG is
// then offered to the owner for upload (PictureReady). At most one picture
// is in flight: after a PictureReady no further strip is offered until the
// owner confirms the upload with ClearUploadFlags().
//
// The pipeline runs its own timers through the given TimerService: the
// motion timer (every 1000 / framesPerSecond ms) and the still countdown
// (every second), started by StartCapture and stopped by StopCapture; and
// while a device is enabled, the camera watch (every second, CameraWatch):
// a camera that breaks or falls silent is torn down, reported (CameraLost),
// reopened with back-off and reported back (CameraReturned). Each attempt
// starts the camera on the opener thread, since a camera that does not
// answer keeps its start waiting for seconds; the owner's thread goes on
// meanwhile and takes the camera up, or counts the attempt as failed, when
// the opener posts back. Meanwhile the
// session goes on without taking frames: no strip or still is made of
// frames from before the loss, and the first one after it waits for a new
// frame.
// Still mode reads the time from the Clock given at construction.
//
// Threads: everything runs on the owner's thread, the thread of the
// TaskRunner given at construction (the window thread), and the host hears
// of everything there. Only the writing crosses threads: releasing a
// picture posts one task to the writer thread carrying everything it needs
// by value (its own copy of the picture, its file name and number, the JPEG
// quality in force), and the writer posts what became of it back to the
// owner's thread. The destructor stops the writer after its current
// picture; nothing reaches the host after the pipeline is gone. The opener
// thread gets the opening to start and posts its result back; the opening
// itself is held and released on the owner's thread.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/CaptureDefaults.h"
#include "capture/CameraWatch.h"
#include "capture/FrameSource.h"
#include "capture/JpegConversionStep.h"
#include "capture/JpegEncoder.h"
#include "capture/Picture.h"
#include "capture/PipelineHost.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"
#include "platform/threads/TaskThread.h"

namespace karone {

// What a capture session takes of the operator's settings when it starts.
struct CaptureSessionSettings {
  int mode = 0;                       // 0 motion, 1 still (iCaptureMode)
  int stillPeriodSeconds = 0;         // still mode: the time between pictures
  bool autoShutAndReconnect = false;  // bAutoShutAndRecon: notices before each still
};

class FramePipeline {
 public:
  enum class Timer { None, Motion, Still };

  struct Options {
    int framesPerStrip = kDefaultFramesPerStrip;  // iBufferSize
    int imageWidth = kDefaultImageWidth;          // iImageWidth / iImageHeight
    int imageHeight = kDefaultImageHeight;
    int jpegQuality = kDefaultJpegQuality;        // iCmprQuality
    std::string lastDeviceName;  // strLastCaptureDevice, preferred when set
    std::string bufferFolder;    // empty: paths::bufferDir()
  };

  // The device names preferred without any setting: the built-in
  // test-pattern device.
  static std::vector<std::string> builtInPreferredDevices();

  // Enumerates the devices, picks the preferred one (the last match wins)
  // and starts the writer thread. `owner` runs the tasks of the owner's
  // thread and must outlive the pipeline.
  FramePipeline(FrameSource& graph, TaskRunner& owner, PipelineHost host, Prompter& prompter,
                const Clock& clock, TimerService& timers, Options options);
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
  bool StartCapture(bool scheduled, const CaptureSessionSettings& session);
  void StopCapture();

  // The ticks of the motion timer (period 1000 / framesPerSecond ms) and of
  // the still timer (1000 ms); public so that tests and benchmarks may call
  // them directly.
  void motionTick();
  void stillTick();
  // The camera watch's tick (every second while a device is enabled).
  void watchTick();
  // The camera is gone and waits to be reopened.
  bool cameraGone() const { return watch_.state() == CameraWatch::State::Gone; }
  // An attempt to reopen it is under way on the opener thread.
  bool reopening() const { return opening_ != nullptr; }
  Timer activeTimer() const { return timer_; }
  int timerPeriodMillis() const;

  // The upload of the offered JPEG is confirmed: the next strip may go.
  void ClearUploadFlags();
  // The upload session has ended: a new capture session may start.
  void ClearStopping();
  // The quality of the pictures released from now on (1..99).
  void setJpegQuality(int quality);

  // State queries.
  bool graphRunning() const { return graph_.running(); }
  bool capturing() const { return capturing_; }
  bool scheduled() const { return scheduled_; }
  bool stopping() const { return stopping_; }
  // No picture is with the writer or on its way back from it.
  bool workerIdle() const { return !inFlight_; }
  bool uploadPending() const { return uploadPending_; }
  bool stripReady() const { return stripReady_; }
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
  const std::string& currentJpegPath() const { return currentJpegPath_; }
  const std::string& bufferFolder() const { return bufferFolder_; }

  // The picture being composed (strip or still), for tests and previews.
  const Picture& outputImage() const { return output_; }
  // The frame ring (motion mode), oldest first once it is full.
  const std::vector<Picture>& frameSlots() const { return slots_; }

 private:
  // One released picture with everything the writer needs.
  struct WriteJob {
    Picture picture;
    std::string bmpPath;
    std::uint32_t counter = 0;
    int quality = kDefaultJpegQuality;
  };
  // What the writer made of it.
  struct Written {
    std::uint32_t counter = 0;
    bool bmpWritten = false;
    JpegConversionStep::Outcome jpeg;
    std::string failure;  // why the picture was not written (no file name in it)
  };

  void tell(PipelineEvent event);
  bool uploaderIdle() const;
  // Grabs one frame, scaled to the picture size when both dimensions differ.
  bool grabScaled(Picture& frame);
  void grabIntoRing(int index);
  void grabStill();
  void takeStill();
  // Hands the writer a copy of the finished picture.
  void releasePicture();
  // Writer thread: stores the BMP and converts it.
  static Written write(const WriteJob& job, const JpegConversionStep& conversion);
  // Owner's thread: the writer is done with the picture in flight.
  void onWritten(const Written& written);
  void copyTopLeft(const Picture& frame, Picture& target) const;
  void startWatching();
  void loseCamera(Seconds now, const std::string& reason);
  void reopenCamera(Seconds now);
  // Owner's thread: the opener is done with the attempt of this generation.
  void onReopenStarted(std::uint64_t generation, int result, std::vector<std::string> names,
                       int index);
  // Drops an attempt under way; what the opener says of it is ignored.
  void dropReopen();
  // After a reopen, frames are taken only once the camera has sent one.
  bool frameAvailable();
  void recompose();

  FrameSource& graph_;
  TaskRunner& owner_;
  PipelineHost host_;
  Prompter& prompter_;
  const Clock& clock_;

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
  int jpegQuality_ = kDefaultJpegQuality;
  int frameIndex_ = 1;
  bool firstPass_ = true;
  bool scheduled_ = false;
  bool locked_ = false;
  Timer timer_ = Timer::None;
  CaptureSessionSettings session_;
  Seconds lastShot_ = 0;
  Seconds nextShot_ = 0;
  bool fiveMinuteNoticeGiven_ = false;
  bool oneMinuteNoticeGiven_ = false;
  std::string lastDeviceName_;
  std::string bufferFolder_;

  bool capturing_ = false;
  bool stopping_ = false;
  bool stripReady_ = false;     // a full strip waits to be released
  bool released_ = false;       // a strip went out and is neither confirmed nor dropped
  bool inFlight_ = false;       // a picture is with the writer or on its way back
  bool uploadPending_ = false;  // the last JPEG offered is not yet confirmed
  std::uint32_t fileCounter_ = 0;
  std::uint32_t lastWrittenCounter_ = 0;
  std::string reportedFailure_;  // the work folder problem said last; "" when none
  std::string currentJpegPath_;

  std::unique_ptr<karone::Timer> motionTimer_;
  std::unique_ptr<karone::Timer> stillTimer_;
  std::unique_ptr<karone::Timer> watchTimer_;
  CameraWatch watch_;
  std::string watchedDevice_;
  bool awaitingFrame_ = false;
  std::shared_ptr<FrameSource::Opening> opening_;  // the reopen attempt under way
  std::uint64_t openGeneration_ = 0;
  JpegEncoder encoder_;
  const JpegConversionStep conversion_{encoder_};
  // What the writer posts back runs only while this lives.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  TaskThread writer_{"capture-writer"};  // stopped by the destructor
  TaskThread opener_{"camera-opener"};
};

}  // namespace karone
