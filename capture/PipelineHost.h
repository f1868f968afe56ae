#pragma once
// What the frame pipeline needs of the window that owns it: the operator's
// settings as they stand now, the progress bar and status text, the notices
// before a still picture, the stop notice, the reconnect countdown, the
// uploader's idle state and the hand-off of each finished JPEG.
//
// Threads: handOff() and jpegQuality() are called on the pipeline's writer
// thread; everything else on the thread that drives the pipeline (the window
// thread). Implementations must not call back into the pipeline from
// handOff() except ClearUploadFlags.
#include <cstdint>
#include <string>

namespace karone {

class PipelineHost {
 public:
  virtual ~PipelineHost() = default;

  // 0 motion, 1 still (iCaptureMode).
  virtual int captureMode() const = 0;
  // Still period of the session about to start, in seconds.
  virtual int stillPeriodSeconds() const = 0;
  // bAutoShutAndRecon.
  virtual bool autoShutAndReconnect() const = 0;
  // iCmprQuality, read for every conversion (writer thread).
  virtual int jpegQuality() const = 0;

  virtual void setProgressRange(int low, int high) = 0;
  virtual void setProgressPosition(int position) = 0;
  virtual void setStatusText(const std::string& text) = 0;

  // Five and one minute before the next still picture (only with automatic
  // start or in a scheduled session).
  virtual void fiveMinuteNotice() = 0;
  virtual void oneMinuteNotice() = 0;
  // The capture session stopped; the owner ends the upload session.
  virtual void captureStopped() = 0;
  virtual void StopReconnectCountdown(bool announce) = 0;

  // The uploader has nothing queued or running.
  virtual bool uploaderIdle() const = 0;
  // A JPEG is ready for upload (writer thread). The owner confirms the
  // upload later with FramePipeline::ClearUploadFlags().
  virtual void handOff(const std::string& jpegPath, std::uint32_t fileCounter) = 0;
};

}  // namespace karone
