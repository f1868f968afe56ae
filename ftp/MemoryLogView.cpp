#include "ftp/MemoryLogView.h"

#include <utility>

namespace karone {

MemoryLogView::MemoryLogView(int clientWidth, int charWidth, Echo echo)
    : clientWidth_(clientWidth), charWidth_(charWidth), echo_(std::move(echo)) {}

int MemoryLogView::appendLine(const std::string& line) {
  std::lock_guard lock(mutex_);
  lines_.push_back(line);
  if (echo_) echo_(line);
  return static_cast<int>(lines_.size()) - 1;
}

int MemoryLogView::lineCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(lines_.size());
}

void MemoryLogView::removeFirstLine() {
  std::lock_guard lock(mutex_);
  if (!lines_.empty()) lines_.pop_front();
}

int MemoryLogView::textWidth(const std::string& text) const {
  int width = 0;
  for (std::size_t i = 0; i < text.size();) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    width += length == 1 ? charWidth_ : 2 * charWidth_;
    i += length;
  }
  return width;
}

int MemoryLogView::clientWidth() const { return clientWidth_; }

void MemoryLogView::setHorizontalExtent(int pixels) {
  std::lock_guard lock(mutex_);
  extent_ = pixels;
}

void MemoryLogView::scrollToEnd() {
  std::lock_guard lock(mutex_);
  ++scrolls_;
}

std::vector<std::string> MemoryLogView::lines() const {
  std::lock_guard lock(mutex_);
  return {lines_.begin(), lines_.end()};
}

int MemoryLogView::horizontalExtent() const {
  std::lock_guard lock(mutex_);
  return extent_;
}

int MemoryLogView::scrollCount() const {
  std::lock_guard lock(mutex_);
  return scrolls_;
}

}  // namespace karone
