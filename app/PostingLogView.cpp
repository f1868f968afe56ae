#include "app/PostingLogView.h"

namespace karone {

PostingLogView::PostingLogView(TaskRunner& runner, MainView& view, int clientWidth)
    : runner_(runner),
      view_(view),
      clientWidth_(clientWidth),
      attached_(std::make_shared<std::atomic<bool>>(true)) {}

PostingLogView::~PostingLogView() { *attached_ = false; }

void PostingLogView::detach() { *attached_ = false; }

void PostingLogView::post(std::function<void(MainView&)> change) {
  auto attached = attached_;
  MainView* view = &view_;
  runner_.post([attached, view, change = std::move(change)] {
    if (*attached) change(*view);
  });
}

int PostingLogView::appendLine(const std::string& line) {
  post([line](MainView& v) { v.appendStatusLine(line); });
  return lines_++;
}

int PostingLogView::lineCount() const { return lines_; }

void PostingLogView::removeFirstLine() {
  if (lines_ > 0) --lines_;
  post([](MainView& v) { v.removeFirstStatusLine(); });
}

void PostingLogView::setHorizontalExtent(int pixels) {
  post([pixels](MainView& v) { v.setStatusHorizontalExtent(pixels); });
}

void PostingLogView::scrollToEnd() {
  post([](MainView& v) { v.scrollStatusToEnd(); });
}

}  // namespace karone
