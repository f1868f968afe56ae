#pragma once
// The capture window without its drawing: it owns the capture graph and the
// frame pipeline, offers the main window their operations, and carries the
// context menu as a model (built afresh for every showing from the state of
// the device and the session) with its commands: preview on and off, the
// picture size, the video source, the capture device, colour and capture
// settings, and the About box.
//
// The capture device can be chosen in the menu ("キャプチャーデバイス"); the
// chosen device is preferred at the next start.
//
// The commands that change what a session would use (preview, size, input,
// device, the settings dialogs) also stop the reconnect countdown, told as
// the pipeline's StopReconnectCountdown event.
//
// Threads: window thread only (the thread of the TaskRunner given).
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/CaptureGraph.h"
#include "capture/CaptureGraphFrameSource.h"
#include "capture/CaptureMenu.h"
#include "capture/CaptureWindowHost.h"
#include "capture/FramePipeline.h"
#include "platform/Clock.h"
#include "platform/PreviewSink.h"
#include "platform/Prompter.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"
#include "platform/VideoCapture.h"

namespace karone {

class CaptureWindow {
 public:
  // Picture sizes by index (0: 160 x 120, 1: 176 x 144, 2: 320 x 240).
  static constexpr int kSizeCount = 3;
  static constexpr int kSizes[kSizeCount][2] = {{160, 120}, {176, 144}, {320, 240}};

  CaptureWindow(VideoCapture& system, TaskRunner& owner, CaptureWindowHost& host,
                PipelineHost pipelineHost, Prompter& prompter, const Clock& clock,
                TimerService& timers, PreviewSink* preview, FramePipeline::Options options);
  CaptureWindow(const CaptureWindow&) = delete;
  CaptureWindow& operator=(const CaptureWindow&) = delete;

  FramePipeline& pipeline() { return *pipeline_; }
  const FramePipeline& pipeline() const { return *pipeline_; }
  CaptureGraph& graph() { return graph_; }

  // The context menu as it is to be shown now; no items: no menu appears.
  CaptureMenu menu();
  void onMenuCommand(int command);

  // The preview command (also used by the main window's start command).
  void togglePreview();
  // The image-size commands: 0, 1 or 2 (ignored while locked or capturing).
  void selectImageSize(int sizeIndex);
  // Connector types of the current device's inputs, in input order.
  std::vector<int> videoInputTypes();

  // strLastCaptureDevice at close: the device chosen in the menu, otherwise
  // the name loaded at start, unchanged.
  std::string lastDeviceName() const;

 private:
  bool commandsLocked() const;
  // The menu's submenus: the capture devices, the picture sizes and the
  // video inputs (choosing the first input while none is set).
  CaptureMenuItem devicesItem() const;
  CaptureMenuItem sizesItem(bool locked) const;
  CaptureMenuItem sourcesItem();
  void chooseDevice(int index);
  void chooseVideoSource(int type);
  void warnAboutEnable(int result);
  void stopReconnectCountdown();

  CaptureWindowHost& host_;
  std::function<void(const PipelineEvent&)> onEvent_;
  Prompter& prompter_;
  CaptureGraph graph_;
  CaptureGraphFrameSource source_;
  std::unique_ptr<FramePipeline> pipeline_;
  std::optional<std::string> chosenDevice_;
};

}  // namespace karone
