#include "schedule/DataFile.h"

#include <map>

#include "platform/TextCodec.h"

namespace karone {
namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint32_t kBigClassTag = 0x80000000u;
constexpr std::uint16_t kMaxClassNameLength = 63;
constexpr std::uint16_t kUnicodeMarker = 0xFFFE;
constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";

enum class ClassKind { Profile, Schedule };

bool isAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UTF-16LE to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string utf16ToUtf8Lossy(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 / 2);
  auto unit = [&](size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  size_t units = bytes.size() / 2;
  for (size_t i = 0; i < units; ++i) {
    std::uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      std::uint32_t low = unit(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) {
      out += kReplacementUtf8;
    } else {
      appendUtf8(out, u);
    }
  }
  return out;
}

// UTF-8 to UTF-16LE; every byte that does not start a valid sequence
// becomes U+FFFD.
std::string utf8ToUtf16Lossy(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  auto put = [&](std::uint32_t u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  size_t pos = 0;
  while (pos < text.size()) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    size_t n = lead < 0x80                    ? 1
               : (lead >= 0xC2 && lead <= 0xDF) ? 2
               : (lead >= 0xE0 && lead <= 0xEF) ? 3
               : (lead >= 0xF0 && lead <= 0xF4) ? 4
                                                 : 0;
    bool valid = n != 0 && pos + n <= text.size();
    for (size_t i = 1; valid && i < n; ++i) valid = (byte(pos + i) & 0xC0) == 0x80;
    if (valid && n == 3) {
      if (lead == 0xE0 && byte(pos + 1) < 0xA0) valid = false;  // overlong
      if (lead == 0xED && byte(pos + 1) >= 0xA0) valid = false;  // surrogate
    }
    if (valid && n == 4) {
      if (lead == 0xF0 && byte(pos + 1) < 0x90) valid = false;
      if (lead == 0xF4 && byte(pos + 1) >= 0x90) valid = false;
    }
    if (!valid) {
      put(0xFFFD);
      ++pos;
      continue;
    }
    std::uint32_t cp = n == 1 ? lead : lead & (0xFF >> (n + 1));
    for (size_t i = 1; i < n; ++i) cp = (cp << 6) | (byte(pos + i) & 0x3F);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      put(0xD800 + (cp >> 10));
      put(0xDC00 + (cp & 0x3FF));
    } else {
      put(cp);
    }
    pos += n;
  }
  return out;
}

class Writer {
 public:
  void u8(std::uint8_t v) { out_ += static_cast<char>(v); }
  void u16(std::uint16_t v) {
    u8(static_cast<std::uint8_t>(v));
    u8(static_cast<std::uint8_t>(v >> 8));
  }
  void u32(std::uint32_t v) {
    u16(static_cast<std::uint16_t>(v));
    u16(static_cast<std::uint16_t>(v >> 16));
  }
  void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }

  void count(size_t n) {
    if (n < 0xFFFF) {
      u16(static_cast<std::uint16_t>(n));
    } else {
      u16(0xFFFF);
      u32(static_cast<std::uint32_t>(n));
    }
  }

  void length(size_t n) {
    if (n < 0xFF) {
      u8(static_cast<std::uint8_t>(n));
    } else if (n < 0xFFFE) {
      u8(0xFF);
      u16(static_cast<std::uint16_t>(n));
    } else {
      u8(0xFF);
      u16(0xFFFF);
      u32(static_cast<std::uint32_t>(n));
    }
  }

  void text(std::string_view utf8) {
    if (isAscii(utf8)) {
      length(utf8.size());
      out_ += utf8;
      return;
    }
    // Code page 932 only when it gives back the very same text: the
    // converter maps some characters it cannot hold onto look-alikes
    // (U+00A3 POUND SIGN onto the full-width pound sign), which would
    // silently change the text.
    auto cp932 = textcodec::utf8ToCp932(utf8);
    if (cp932 && textcodec::cp932ToUtf8(*cp932) == utf8) {
      length(cp932->size());
      out_ += *cp932;
      return;
    }
    std::string utf16 = utf8ToUtf16Lossy(utf8);
    u8(0xFF);
    u16(kUnicodeMarker);
    length(utf16.size() / 2);
    out_ += utf16;
  }

  void classTag(ClassKind kind) {
    auto& index = kind == ClassKind::Profile ? profileClass_ : scheduleClass_;
    if (index == 0) {
      std::string_view name =
          kind == ClassKind::Profile ? DataFile::kProfileClass : DataFile::kScheduleClass;
      u16(kNewClassTag);
      u16(kind == ClassKind::Profile ? DataFile::kProfileSchema : DataFile::kScheduleSchema);
      u16(static_cast<std::uint16_t>(name.size()));
      out_ += name;
      index = next_++;
    } else if (index < kBigObjectTag) {
      u16(static_cast<std::uint16_t>(kClassTag | index));
    } else {
      u16(kBigObjectTag);
      u32(kBigClassTag | index);
    }
    ++next_;  // the object's own index
  }

  void profile(const ProfileInfo& p) {
    classTag(ClassKind::Profile);
    text(p.name);
    text(p.address);
    text(p.userId);
    text(p.password);
    text(p.uploadDirectory);
    i32(p.port);
    i32(p.keepBuffers);
    i32(p.bufferClipCount);
    text(p.dialupEntry);
    text(p.dialupUser);
    text(p.dialupPassword);
    i32(p.useDialup);
    i32(p.passiveMode);
  }

  void schedule(const ScheduleInfo& s) {
    classTag(ClassKind::Schedule);
    i32(s.captureMode);
    i32(s.period);
    i32(s.start);
    i32(s.end);
    text(s.name);
    i32(s.videoSource);
    i32(s.videoSize);
    text(s.ftpProfileName);
    i32(s.updatePeriod);
  }

  std::string take() { return std::move(out_); }

 private:
  std::string out_;
  std::uint32_t next_ = 1;
  std::uint32_t profileClass_ = 0;
  std::uint32_t scheduleClass_ = 0;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : in_(bytes) {}

  DataFileError error() const { return error_; }
  std::uint64_t errorOffset() const { return errorOffset_; }
  size_t position() const { return pos_; }

  bool list(ClassKind kind, DataFileReadResult& result) {
    std::uint16_t small = 0;
    if (!u16(small)) return false;
    std::uint64_t n = small;
    if (small == 0xFFFF) {
      std::uint32_t big = 0;
      if (!u32(big)) return false;
      n = big;
    }
    // No reserve: the count is not trusted; each object needs bytes.
    for (std::uint64_t i = 0; i < n; ++i) {
      if (!object(kind, result)) return false;
    }
    return true;
  }

 private:
  struct ClassInfo {
    ClassKind kind;
    std::uint16_t schema;
  };

  bool fail(DataFileError error, size_t at) {
    if (error_ == DataFileError::None) {
      error_ = error;
      errorOffset_ = at;
    }
    return false;
  }

  bool need(std::uint64_t n) {
    if (in_.size() - pos_ < n) return fail(DataFileError::EndOfFile, pos_);
    return true;
  }

  bool u8(std::uint8_t& v) {
    if (!need(1)) return false;
    v = static_cast<std::uint8_t>(in_[pos_]);
    pos_ += 1;
    return true;
  }
  bool u16(std::uint16_t& v) {
    if (!need(2)) return false;
    v = static_cast<std::uint16_t>(static_cast<unsigned char>(in_[pos_]) |
                                   (static_cast<unsigned char>(in_[pos_ + 1]) << 8));
    pos_ += 2;
    return true;
  }
  bool u32(std::uint32_t& v) {
    if (!need(4)) return false;
    v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in_[pos_ + i]);
    pos_ += 4;
    return true;
  }
  bool i32(std::int32_t& v) {
    std::uint32_t u = 0;
    if (!u32(u)) return false;
    v = static_cast<std::int32_t>(u);
    return true;
  }

  // A length prefix after its first byte was 0xFF and the word was not the
  // UTF-16 marker.
  bool longLength(std::uint16_t word, std::uint64_t& n) {
    if (word < 0xFFFF) {
      n = word;
      return true;
    }
    std::uint32_t big = 0;
    if (!u32(big)) return false;
    n = big;
    return true;
  }

  bool text(std::string& out) {
    std::uint8_t first = 0;
    if (!u8(first)) return false;
    std::uint64_t n = first;
    bool utf16 = false;
    if (first == 0xFF) {
      std::uint16_t word = 0;
      if (!u16(word)) return false;
      if (word == kUnicodeMarker) {
        utf16 = true;
        // The second prefix is a plain length: FFFE there counts 0xFFFE units.
        if (!u8(first)) return false;
        n = first;
        if (first == 0xFF) {
          if (!u16(word) || !longLength(word, n)) return false;
        }
      } else if (!longLength(word, n)) {
        return false;
      }
    }
    std::uint64_t bytes = utf16 ? n * 2 : n;
    if (!need(bytes)) return false;
    std::string_view raw = in_.substr(pos_, static_cast<size_t>(bytes));
    pos_ += static_cast<size_t>(bytes);
    if (utf16) {
      out = utf16ToUtf8Lossy(raw);
    } else if (isAscii(raw)) {
      out.assign(raw);
    } else {
      out = textcodec::cp932ToUtf8Lossy(raw);
    }
    return true;
  }

  bool classTag(ClassKind expected, std::uint16_t& schema) {
    size_t at = pos_;
    std::uint16_t word = 0;
    if (!u16(word)) return false;
    ClassInfo info{};
    if (word == kNewClassTag) {
      std::uint16_t nameLength = 0;
      if (!u16(schema) || !u16(nameLength)) return false;
      if (nameLength > kMaxClassNameLength) return fail(DataFileError::BadClass, at);
      if (!need(nameLength)) return false;
      std::string_view name = in_.substr(pos_, nameLength);
      pos_ += nameLength;
      if (name == DataFile::kProfileClass) {
        info.kind = ClassKind::Profile;
        if (schema != 1 && schema != 2) return fail(DataFileError::BadSchema, at);
      } else if (name == DataFile::kScheduleClass) {
        info.kind = ClassKind::Schedule;
        if (schema != DataFile::kScheduleSchema) return fail(DataFileError::BadSchema, at);
      } else {
        return fail(DataFileError::BadClass, at);
      }
      info.schema = schema;
      classes_[next_++] = info;
    } else {
      std::uint64_t index = 0;
      if (word == kBigObjectTag) {
        std::uint32_t big = 0;
        if (!u32(big)) return false;
        // Without the class bit this refers to an object already read: the
        // program never writes such references.
        if ((big & kBigClassTag) == 0) return fail(DataFileError::BadIndex, at);
        index = big & ~kBigClassTag;
      } else if (word & kClassTag) {
        index = word & ~kClassTag;
      } else {
        // 0 is the null object; anything else an object reference.
        return fail(DataFileError::BadIndex, at);
      }
      auto found = classes_.find(index);
      if (found == classes_.end()) return fail(DataFileError::BadIndex, at);
      info = found->second;
      schema = info.schema;
    }
    if (info.kind != expected) return fail(DataFileError::BadClass, at);
    ++next_;  // the object's own index
    return true;
  }

  bool object(ClassKind kind, DataFileReadResult& result) {
    std::uint16_t schema = 0;
    if (!classTag(kind, schema)) return false;
    if (kind == ClassKind::Profile) {
      ProfileInfo p;
      bool ok = text(p.name) && text(p.address) && text(p.userId) && text(p.password) &&
                text(p.uploadDirectory);
      if (schema == 2) {
        ok = ok && i32(p.port) && i32(p.keepBuffers) && i32(p.bufferClipCount) &&
             text(p.dialupEntry) && text(p.dialupUser) && text(p.dialupPassword) &&
             i32(p.useDialup) && i32(p.passiveMode);
      } else {
        ok = ok && i32(p.keepBuffers) && i32(p.bufferClipCount) && text(p.dialupEntry) &&
             text(p.dialupUser) && text(p.dialupPassword) && i32(p.useDialup);
        p.passiveMode = 0;
        p.port = 21;
      }
      if (!ok) return false;
      result.profiles.push_back(std::move(p));
    } else {
      ScheduleInfo s;
      bool ok = i32(s.captureMode) && i32(s.period) && i32(s.start) && i32(s.end) &&
                text(s.name) && i32(s.videoSource) && i32(s.videoSize) &&
                text(s.ftpProfileName) && i32(s.updatePeriod);
      if (!ok) return false;
      result.schedules.push_back(std::move(s));
    }
    return true;
  }

  std::string_view in_;
  size_t pos_ = 0;
  std::uint64_t next_ = 1;
  std::map<std::uint64_t, ClassInfo> classes_;
  DataFileError error_ = DataFileError::None;
  std::uint64_t errorOffset_ = 0;
};

}  // namespace

std::string DataFile::write(const std::vector<ProfileInfo>& profiles,
                            const std::vector<ScheduleInfo>& schedules) {
  Writer w;
  w.count(profiles.size());
  for (const auto& p : profiles) w.profile(p);
  w.count(schedules.size());
  for (const auto& s : schedules) w.schedule(s);
  return w.take();
}

DataFileReadResult DataFile::read(std::string_view bytes) {
  DataFileReadResult result;
  Reader r(bytes);
  if (r.list(ClassKind::Profile, result) && r.list(ClassKind::Schedule, result)) {
    result.offset = r.position();
    result.trailingBytes = bytes.size() - r.position();
  } else {
    result.error = r.error();
    result.offset = r.errorOffset();
  }
  return result;
}

const char* DataFile::errorName(DataFileError error) {
  switch (error) {
    case DataFileError::None:
      return "no error";
    case DataFileError::EndOfFile:
      return "end of file";
    case DataFileError::BadClass:
      return "bad class";
    case DataFileError::BadSchema:
      return "bad schema";
    case DataFileError::BadIndex:
      return "bad index";
  }
  return "unknown error";
}

}  // namespace karone
