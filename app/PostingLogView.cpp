#include "app/PostingLogView.h"

#include "platform/TextCodec.h"

namespace karone {

PostingLogView::PostingLogView(TaskRunner& runner, MainView& view, TextWidth textWidth,
                               int clientWidth)
    : runner_(runner),
      view_(view),
      textWidth_(std::move(textWidth)),
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

int PostingLogView::textWidth(const std::string& text) const {
  if (textWidth_) return textWidth_(text);
  // Without the view's font: 6 pixels a byte of code page 932.
  return 6 * static_cast<int>(textcodec::cp932Length(text));
}

void PostingLogView::setHorizontalExtent(int pixels) {
  post([pixels](MainView& v) { v.setStatusHorizontalExtent(pixels); });
}

void PostingLogView::scrollToEnd() {
  post([](MainView& v) { v.scrollStatusToEnd(); });
}

}  // namespace karone
