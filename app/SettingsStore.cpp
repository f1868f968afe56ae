#include "app/SettingsStore.h"

#include <cctype>

#include "platform/CaptureDefaults.h"
#include "platform/NetworkCameras.h"
#include "platform/TextCodec.h"
#include "resources/Texts.h"

namespace karone {
namespace {

using Field = std::int32_t AppSettings::*;

struct IntegerValue {
  const char* name;
  Field field;
};

// In the order EnsureDefaults visits them.
constexpr IntegerValue kIntegers[] = {
    {SettingsStore::kRunningNumberName, &AppSettings::dwUniqueRunningNum},
    {"iLastSelSiteInfoIndex", &AppSettings::iLastSelSiteInfoIndex},
    {"iCaptureMode", &AppSettings::iCaptureMode},
    {"iCaptureFPS", &AppSettings::iCaptureFPS},
    {"iCmprQuality", &AppSettings::iCmprQuality},
    {"iBufferSize", &AppSettings::iBufferSize},
    {"bBackupPrevImage", &AppSettings::bBackupPrevImage},
    {"iStillCaptType", &AppSettings::iStillCaptType},
    {"iStillCaptTypeIndex", &AppSettings::iStillCaptTypeIndex},
    {"iImageWidth", &AppSettings::iImageWidth},
    {"iImageHeight", &AppSettings::iImageHeight},
    {"iVideoSource", &AppSettings::iVideoSource},
    {"iIndexFrgSubtitleColor", &AppSettings::iIndexFrgSubtitleColor},
    {"bAutoShutAndRecon", &AppSettings::bAutoShutAndRecon},
};

struct TextValue {
  const char* name;
  std::string AppSettings::*field;
};

constexpr TextValue kTexts[] = {
    {"strSRFTPProfile", &AppSettings::strSRFTPProfile},
    {"strLastCaptureDevice", &AppSettings::strLastCaptureDevice},
};

// Stored integer text is read into an 80-byte buffer, terminator included.
constexpr size_t kIntegerBuffer = 80;
// EnsureDefaults reads the texts into a 2000-byte buffer.
constexpr size_t kEnsureTextBuffer = 2000;

std::string clampText(const std::string& text) {
  return textcodec::truncateToCp932(text, kSettingsTextMax);
}

}  // namespace

int stillIntervalSeconds(int type, int index) {
  if (index < 0) return 0;
  switch (type) {
    case 0: return index < 6 ? 30 + 5 * index : 0;
    case 1: return index < 59 ? (index + 1) * 60 : 0;
    case 2: return index < 23 ? (index + 1) * 3600 : 0;
    default: return 0;
  }
}

SettingsStore::SettingsStore(SettingsStorage& storage, Prompter& prompter)
    : storage_(storage), prompter_(prompter) {}

std::string SettingsStore::integerText(std::int32_t value) {
  return std::to_string(static_cast<std::uint32_t>(value));
}

std::optional<std::int32_t> SettingsStore::parseInteger(const std::string& text) {
  if (text.size() + 1 > kIntegerBuffer) return std::nullopt;
  size_t pos = 0;
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  std::uint32_t value = 0;
  while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
    value = value * 10u + static_cast<std::uint32_t>(text[pos++] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::int32_t SettingsStore::readInteger(const char* name) {
  auto text = storage_.readValue(name);
  if (!text) return kUnreadable;
  return parseInteger(*text).value_or(kUnreadable);
}

void SettingsStore::EnsureDefaults() {
  if (storage_.openKey()) {
    bool holdsAny = false;
    for (const auto& value : kIntegers) holdsAny = holdsAny || storage_.readValue(value.name);
    for (const auto& value : kTexts) holdsAny = holdsAny || storage_.readValue(value.name);
    // The network cameras are all a file holds when they were added before
    // the program first ran.
    holdsAny = holdsAny || storage_.readValue(kNetworkCamerasKey);
    if (!holdsAny) {
      // Defaults are about to replace it: nothing of it may go unseen.
      const std::string kept = storage_.keepCopyAside();
      damageNote_ = kept.empty() ? text(Text::SettingsFileDamagedNotKept)
                                 : formatText(Text::SettingsFileDamaged, kept.c_str());
    }
  } else {
    if (!storage_.createKey()) {
      prompter_.ask(text(Text::UnableToCreateKey), text(Text::SettingsKeyPath), PromptButtons::Ok,
                    PromptIcon::None);
    }
  }
  storage_.closeKey();
  if (!storage_.openKey()) return;
  const AppSettings defaults;
  for (const auto& value : kIntegers) {
    if (readInteger(value.name) == kUnreadable) {
      storage_.writeValue(value.name, integerText(defaults.*value.field));
      settings_.*value.field = defaults.*value.field;
    }
  }
  for (const auto& value : kTexts) {
    auto stored = storage_.readValue(value.name);
    if (!stored || stored->size() >= kEnsureTextBuffer) {
      (settings_.*value.field).clear();
      storage_.writeValue(value.name, "");
    }
  }
  storage_.closeKey();
}

void SettingsStore::Load() {
  if (!storage_.openKey()) {
    settings_ = AppSettings();
    return;
  }
  for (const auto& value : kIntegers) settings_.*value.field = readInteger(value.name);
  for (const auto& value : kTexts) {
    auto stored = storage_.readValue(value.name);
    settings_.*value.field = stored ? clampText(*stored) : std::string();
  }
  storage_.closeKey();
}

AppSettings SettingsStore::corrected(const AppSettings& in) {
  AppSettings out = in;
  auto within = [](std::int32_t v, std::int32_t lo, std::int32_t hi) { return v >= lo && v <= hi; };
  if (!within(out.iCaptureMode, 0, 1)) out.iCaptureMode = 0;
  if (!within(out.iCaptureFPS, 1, 14)) out.iCaptureFPS = 1;
  if (!within(out.iCmprQuality, 1, 99)) out.iCmprQuality = kDefaultJpegQuality;
  if (!within(out.iBufferSize, 5, 30)) out.iBufferSize = kDefaultFramesPerStrip;
  if (!within(out.iImageWidth, 160, 320)) out.iImageWidth = kDefaultImageWidth;
  if (!within(out.iImageHeight, 120, 240)) out.iImageHeight = kDefaultImageHeight;
  if (!within(out.iStillCaptType, 0, 2)) out.iStillCaptType = 0;
  if (out.iStillCaptTypeIndex < 0) out.iStillCaptTypeIndex = 0;
  if (!within(out.iVideoSource, 0, 1)) out.iVideoSource = 0;
  if (out.iIndexFrgSubtitleColor < 0) out.iIndexFrgSubtitleColor = 0;
  return out;
}

bool SettingsStore::Save() {
  if (!storage_.openKey()) return false;
  const AppSettings out = corrected(settings_);
  bool ok = true;
  for (const auto& value : kIntegers) ok &= storage_.writeValue(value.name, integerText(out.*value.field));
  for (const auto& value : kTexts) ok &= storage_.writeValue(value.name, out.*value.field);
  ok &= storage_.closeKey();
  return ok;
}

void SettingsStore::Set(const AppSettings& settings) {
  settings_ = settings;
  for (const auto& value : kTexts) settings_.*value.field = clampText(settings_.*value.field);
}

}  // namespace karone
