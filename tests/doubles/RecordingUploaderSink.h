#pragma once
// The uploader's environment for tests and benchmarks: records the event
// stream, answers the context from settable values and the operator's
// questions through a RecordingPrompter. The run controller's reactions are
// modelled just enough for the uploader's loops: starting sending after a
// timed reconnect toggles capturing, StopAndDisconnect stops it. A hook set
// with onEvent runs after each event is recorded (outside the lock).
//
// Threads: any thread; every member takes the object's lock.
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "ftp/FtpUploader.h"
#include "ftp/UploadContext.h"
#include "ftp/UploaderEvent.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {

class RecordingUploaderSink {
 public:
  // For FtpUploader::Parts; they refer to this object.
  std::function<void(UploaderEvent)> eventSink();
  std::function<UploadContext()> contextReader();
  FtpUploader::Requests requests();

  // --- The context ---
  bool capturing() const;
  void setCapturing(bool capturing);
  void setBufferClipLimit(int limit);
  void setCaption(const Caption& caption);
  RecordingPrompter& prompter() { return prompter_; }
  void onEvent(std::function<void(const UploaderEvent&)> hook);

  // --- What happened ---
  std::vector<UploaderEvent> events() const;
  int count(const UploaderEvent& event) const;
  template <typename Event>
  std::vector<Event> all() const {
    std::vector<Event> found;
    for (const UploaderEvent& e : events()) {
      if (const auto* x = std::get_if<Event>(&e)) found.push_back(*x);
    }
    return found;
  }
  template <typename Event>
  std::optional<Event> last() const {
    std::vector<Event> found = all<Event>();
    if (found.empty()) return std::nullopt;
    return found.back();
  }
  // The directory view as the events left it.
  std::vector<DirectoryViewEntry> directoryView() const;
  void clear();

 private:
  void record(UploaderEvent event);

  mutable std::mutex mutex_;
  UploadContext context_;
  RecordingPrompter prompter_;
  std::function<void(const UploaderEvent&)> hook_;
  std::vector<UploaderEvent> events_;
};

// One line per event ("SessionOpened 1"), for test failures.
std::string describe(const UploaderEvent& event);

namespace upload_event {
// GoogleTest prints events, and the variant, with this.
template <typename Event>
  requires std::is_constructible_v<UploaderEvent, Event>
void PrintTo(const Event& event, std::ostream* out) {
  *out << describe(UploaderEvent{event});
}
}  // namespace upload_event

}  // namespace karone
