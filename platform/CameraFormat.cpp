#include "platform/CameraFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

namespace karone {
namespace {

constexpr double kSlowestUsefulRate = 1.0;

int encodingRank(CameraEncoding encoding) {
  switch (encoding) {
    case CameraEncoding::Raw: return 0;
    case CameraEncoding::Mjpeg: return 1;
    case CameraEncoding::H264: return 2;
    case CameraEncoding::Other: break;
  }
  return 3;
}

double fastest(const CameraMode& mode) {
  double best = 0;
  for (const FrameRate& r : mode.rates) best = std::max(best, r.perSecond());
  return best;
}

bool largeEnough(const CameraMode& mode, const CameraNeed& need) {
  return mode.width >= need.width && mode.height >= need.height;
}

// Slowest rate at least as fast as needed, else the fastest.
FrameRate pickRate(const CameraMode& mode, double needed) {
  const FrameRate* slowEnough = nullptr;
  const FrameRate* top = nullptr;
  for (const FrameRate& r : mode.rates) {
    if (r.perSecond() < kSlowestUsefulRate) continue;
    if (top == nullptr || r.perSecond() > top->perSecond()) top = &r;
    if (r.perSecond() >= needed && (slowEnough == nullptr || r.perSecond() < slowEnough->perSecond()))
      slowEnough = &r;
  }
  return slowEnough != nullptr ? *slowEnough : *top;
}

std::string rateText(const FrameRate& rate) {
  char buffer[32];
  const double fps = rate.perSecond();
  if (std::fabs(fps - std::round(fps)) < 1e-9) {
    std::snprintf(buffer, sizeof buffer, "%d fps", static_cast<int>(std::lround(fps)));
  } else {
    std::snprintf(buffer, sizeof buffer, "%.3g fps", fps);
  }
  return buffer;
}

}  // namespace

std::pair<int, int> scaledSize(int width, int height, const CameraNeed& need) {
  if (width <= need.width || height <= need.height || width <= 0 || height <= 0) {
    return {width, height};
  }
  const double factor = std::max(static_cast<double>(need.width) / width,
                                 static_cast<double>(need.height) / height);
  auto even = [](double v, int limit) {
    int n = static_cast<int>(std::ceil(v));
    n += n % 2;
    return std::min(n, limit);
  };
  return {even(width * factor, width), even(height * factor, height)};
}

std::optional<CameraChoice> chooseCameraFormat(const std::vector<CameraMode>& modes,
                                               const CameraNeed& need) {
  std::vector<const CameraMode*> usable;
  for (const CameraMode& m : modes) {
    if (m.encoding != CameraEncoding::Other && m.width > 0 && m.height > 0 &&
        fastest(m) >= kSlowestUsefulRate)
      usable.push_back(&m);
  }
  if (usable.empty()) return std::nullopt;

  const double needed = std::max<double>(need.framesPerSecond, kSlowestUsefulRate);
  auto area = [](const CameraMode* m) { return static_cast<long long>(m->width) * m->height; };
  const CameraMode* best = nullptr;
  // Rule 2: large and fast enough, smallest first, then the cheaper encoding.
  for (const CameraMode* m : usable) {
    if (!largeEnough(*m, need) || fastest(*m) < needed) continue;
    if (best == nullptr || area(m) < area(best) ||
        (area(m) == area(best) && encodingRank(m->encoding) < encodingRank(best->encoding)))
      best = m;
  }
  // Rule 3: the fastest that is large enough (smaller size on a tie)...
  if (best == nullptr) {
    for (const CameraMode* m : usable) {
      if (!largeEnough(*m, need)) continue;
      if (best == nullptr || fastest(*m) > fastest(*best) ||
          (fastest(*m) == fastest(*best) && area(m) < area(best)))
        best = m;
    }
  }
  // ...else the largest of all (the fastest on a tie).
  if (best == nullptr) {
    for (const CameraMode* m : usable) {
      if (best == nullptr || area(m) > area(best) ||
          (area(m) == area(best) && fastest(*m) > fastest(*best)))
        best = m;
    }
  }

  CameraChoice choice;
  choice.mode = *best;
  choice.rate = pickRate(*best, needed);
  choice.mode.rates = {choice.rate};
  std::tie(choice.width, choice.height) = scaledSize(best->width, best->height, need);
  return choice;
}

std::string describeMode(const CameraMode& mode) {
  std::string text;
  switch (mode.encoding) {
    case CameraEncoding::Raw: text = "raw " + mode.layout; break;
    case CameraEncoding::Mjpeg: text = "MJPEG"; break;
    case CameraEncoding::H264: text = "H.264"; break;
    case CameraEncoding::Other: text = mode.layout.empty() ? "other" : mode.layout; break;
  }
  text += " " + std::to_string(mode.width) + "x" + std::to_string(mode.height);
  std::vector<FrameRate> rates = mode.rates;
  std::sort(rates.begin(), rates.end(),
            [](const FrameRate& a, const FrameRate& b) { return a.perSecond() > b.perSecond(); });
  for (std::size_t i = 0; i < rates.size(); ++i) {
    std::string r = rateText(rates[i]);
    if (i + 1 < rates.size()) r.resize(r.size() - 4);  // "30, 15, 5 fps"
    text += (i == 0 ? " " : ", ") + r;
  }
  return text;
}

std::string describeChoice(const CameraChoice& choice) {
  std::string text = describeMode(choice.mode);
  if (choice.scaled()) {
    text += ", scaled to " + std::to_string(choice.width) + "x" + std::to_string(choice.height);
  }
  return text;
}

}  // namespace karone
