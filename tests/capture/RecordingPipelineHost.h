#pragma once
// A recording of what the frame pipeline tells its owner, with the
// uploader's idle state as a plain field. Everything runs on the test's
// thread, the owner's: the writer's results arrive when the test drains its
// task runner.
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "capture/PipelineHost.h"

namespace karone::testing {

struct RecordingPipelineHost {
  std::vector<PipelineEvent> events;
  bool idle = true;
  // Runs after each PictureReady has been recorded.
  std::function<void(const pipelineevent::PictureReady&)> onPicture;

  PipelineHost host() {
    return {[this](const PipelineEvent& event) {
              events.push_back(event);
              const auto* ready = std::get_if<pipelineevent::PictureReady>(&event);
              if (ready != nullptr && onPicture) onPicture(*ready);
            },
            [this] { return idle; }};
  }

  template <typename Event>
  std::vector<Event> all() const {
    std::vector<Event> found;
    for (const PipelineEvent& event : events)
      if (const auto* e = std::get_if<Event>(&event)) found.push_back(*e);
    return found;
  }
  template <typename Event>
  int count() const {
    return static_cast<int>(all<Event>().size());
  }
  std::vector<pipelineevent::PictureReady> pictures() const {
    return all<pipelineevent::PictureReady>();
  }
  std::vector<int> progress() const {
    std::vector<int> positions;
    for (const auto& e : all<pipelineevent::ProgressPosition>()) positions.push_back(e.position);
    return positions;
  }
  std::string lastStatus() const {
    const auto texts = all<pipelineevent::StatusText>();
    return texts.empty() ? std::string() : texts.back().text;
  }
};

}  // namespace karone::testing
