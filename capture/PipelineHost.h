#pragma once
// What the frame pipeline tells its owner, as one stream of typed events,
// and the one thing it asks: whether the uploader is idle.
//
// Threads: both functions are called on the owner's thread only (the thread
// of the TaskRunner given to the pipeline), never on the writer's. A
// handler may call back into the pipeline.
#include <cstdint>
#include <functional>
#include <string>
#include <variant>

namespace karone {

namespace pipelineevent {

// The progress bar's range and position.
struct ProgressRange {
  int low = 0;
  int high = 0;
};
struct ProgressPosition {
  int position = 0;
};
// The capture status line.
struct StatusText {
  std::string text;
};
// Five and one minute before the next still picture (only with automatic
// start or in a scheduled session).
struct FiveMinuteNotice {};
struct OneMinuteNotice {};
// The capture session stopped; the owner ends the upload session.
struct CaptureStopped {};
struct StopReconnectCountdown {
  bool announce = false;
};
// A JPEG is ready for upload. The owner confirms the upload later with
// FramePipeline::ClearUploadFlags().
struct PictureReady {
  std::string jpegPath;
  std::uint32_t fileCounter = 0;
};

// A picture could not be written or compressed in the work folder (a full
// disk, a folder gone or read-only): said once per reason, not for every
// picture; the picture is dropped.
struct WorkFolderProblem {
  std::string folder;
  std::string reason;
};
// Pictures are written again after a WorkFolderProblem.
struct WorkFolderRecovered {
  std::string folder;
};

// The camera went away (its graph broke, or it sent nothing for a while):
// nothing is taken from it until it is back; it is reopened with back-off.
struct CameraLost {
  std::string device;
  std::string reason;
};
// The camera answers again after secondsGone seconds; capture goes on.
struct CameraReturned {
  std::string device;
  std::int64_t secondsGone = 0;
};

}  // namespace pipelineevent

using PipelineEvent =
    std::variant<pipelineevent::ProgressRange, pipelineevent::ProgressPosition,
                 pipelineevent::StatusText, pipelineevent::FiveMinuteNotice,
                 pipelineevent::OneMinuteNotice, pipelineevent::CaptureStopped,
                 pipelineevent::StopReconnectCountdown, pipelineevent::PictureReady,
                 pipelineevent::WorkFolderProblem, pipelineevent::WorkFolderRecovered,
                 pipelineevent::CameraLost, pipelineevent::CameraReturned>;

struct PipelineHost {
  // Every event, in order; null: none is wanted.
  std::function<void(const PipelineEvent&)> onEvent;
  // The uploader has nothing queued or running (a still picture waits for
  // it); null: always idle.
  std::function<bool()> uploaderIdle;
};

}  // namespace karone
