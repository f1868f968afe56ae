#include "ftp/StatusPage.h"

#include "platform/TextCodec.h"
#include "resources/Texts.h"

namespace karone {
namespace {

constexpr const char* kHeader =
    "<meta http-equiv='pragma' content='no-cache'>\n"
    "<meta http-equiv='Cache-Control' content='no-cache'>\n"
    "\n";

// One line of caption text in code page 932, whatever the operator typed.
std::string captionLine(const std::string& utf8) {
  std::string oneLine = utf8;
  for (char& c : oneLine) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7f) c = ' ';
  }
  if (auto cp932 = textcodec::utf8ToCp932(oneLine)) return *cp932;
  // Convert character by character, replacing what has no code page 932 form.
  std::string out;
  std::size_t i = 0;
  while (i < oneLine.size()) {
    auto lead = static_cast<unsigned char>(oneLine[i]);
    std::size_t len = lead < 0x80 ? 1 : lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
    if (i + len > oneLine.size()) len = oneLine.size() - i;
    auto converted = textcodec::utf8ToCp932(std::string_view(oneLine).substr(i, len));
    out += converted ? *converted : std::string("?");
    i += len;
  }
  return out;
}

}  // namespace

std::string runningStatusPage(const StatusPageValues& values) {
  std::string page = kHeader;
  page += format("ServRun=%d\n", 1);
  page += format("Buffer=%d\n", values.framesPerStrip);
  page += "Curr=" + values.currentFrame + "\n";
  page += format("FramePerSecond=%d\n", values.framesPerSecond);
  page += "Subtitle=" + captionLine(values.caption) + "\n";
  page += format("SubtitleFrgRVal=%u\n", values.colour & 0xffu);
  page += format("SubtitleFrgGVal=%u\n", (values.colour >> 8) & 0xffu);
  page += format("SubtitleFrgBVal=%u\n", (values.colour >> 16) & 0xffu);
  return page;
}

std::string stoppedStatusPage() { return std::string(kHeader) + "ServRun=0\n"; }

std::optional<std::string> pageCurrentFrame(std::string_view page) {
  bool running = false;
  std::optional<std::string> current;
  std::size_t pos = 0;
  while (pos < page.size()) {
    std::size_t end = page.find('\n', pos);
    if (end == std::string_view::npos) end = page.size();
    std::string_view line = page.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line == "ServRun=1") running = true;
    if (line.substr(0, 5) == "Curr=") current = std::string(line.substr(5));
    pos = end + 1;
  }
  if (!running) return std::nullopt;
  return current;
}

}  // namespace karone
