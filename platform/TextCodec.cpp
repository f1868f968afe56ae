#include "platform/TextCodec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>

namespace karone::textcodec {
namespace {

// One conversion with iconv. With `lossy`, an invalid input byte is skipped
// and `replacement` written in its place; otherwise any error fails.
std::optional<std::string> convert(const char* to, const char* from, std::string_view input,
                                   bool lossy = false, std::string_view replacement = {}) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string out;
  out.resize(input.size() * 4 + 16);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  size_t used = 0;
  bool ok = true;
  while (inLeft > 0) {
    char* dst = out.data() + used;
    size_t dstLeft = out.size() - used;
    size_t rc = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    used = out.size() - dstLeft;
    if (rc != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    if (lossy && (errno == EILSEQ || errno == EINVAL)) {
      ++in;
      --inLeft;
      out.resize(std::max(out.size(), used + replacement.size() + input.size() * 4 + 16));
      out.replace(used, replacement.size(), replacement);
      used += replacement.size();
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    ok = false;
    break;
  }
  if (ok) {
    // Flush any shift state.
    char* dst = out.data() + used;
    size_t dstLeft = out.size() - used;
    if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<size_t>(-1)) ok = false;
    used = out.size() - dstLeft;
  }
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(used);
  return out;
}

// Length in bytes of the UTF-8 sequence starting with `lead`, 0 when `lead`
// cannot start one.
size_t sequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Length of the valid UTF-8 character at text[pos], 0 when invalid.
size_t characterAt(std::string_view text, size_t pos) {
  size_t n = sequenceLength(static_cast<unsigned char>(text[pos]));
  if (n == 0 || pos + n > text.size()) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

size_t characterCp932Length(std::string_view character) {
  if (character.size() == 1) return 1;
  auto converted = convert("CP932", "UTF-8", character);
  return converted ? converted->size() : character.size();
}

}  // namespace

std::optional<std::string> utf8ToCp932(std::string_view utf8) {
  if (!isValidUtf8(utf8)) return std::nullopt;
  return convert("CP932", "UTF-8", utf8);
}

std::optional<std::string> cp932ToUtf8(std::string_view cp932) {
  return convert("UTF-8", "CP932", cp932);
}

std::string cp932ToUtf8Lossy(std::string_view cp932) {
  auto converted = convert("UTF-8", "CP932", cp932, true, "\xEF\xBF\xBD");
  return converted ? *converted : std::string();
}

std::optional<std::string> utf16leToUtf8(std::string_view utf16le) {
  if (utf16le.size() % 2 != 0) return std::nullopt;
  return convert("UTF-8", "UTF-16LE", utf16le);
}

std::optional<std::string> utf8ToUtf16le(std::string_view utf8) {
  if (!isValidUtf8(utf8)) return std::nullopt;
  return convert("UTF-16LE", "UTF-8", utf8);
}

bool isValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    size_t n = characterAt(text, pos);
    if (n == 0) return false;
    // Reject overlong forms, surrogates and values above U+10FFFF.
    unsigned char a = static_cast<unsigned char>(text[pos]);
    if (n == 3) {
      unsigned char b = static_cast<unsigned char>(text[pos + 1]);
      if (a == 0xE0 && b < 0xA0) return false;
      if (a == 0xED && b >= 0xA0) return false;
    } else if (n == 4) {
      unsigned char b = static_cast<unsigned char>(text[pos + 1]);
      if (a == 0xF0 && b < 0x90) return false;
      if (a == 0xF4 && b >= 0x90) return false;
    }
    pos += n;
  }
  return true;
}

std::size_t cp932Length(std::string_view utf8) {
  size_t total = 0;
  for (size_t pos = 0; pos < utf8.size();) {
    size_t n = characterAt(utf8, pos);
    if (n == 0) {
      ++total;
      ++pos;
      continue;
    }
    total += characterCp932Length(utf8.substr(pos, n));
    pos += n;
  }
  return total;
}

std::string truncateToCp932(std::string_view utf8, std::size_t maxBytes) {
  size_t total = 0;
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t n = characterAt(utf8, pos);
    size_t width = n == 0 ? 1 : characterCp932Length(utf8.substr(pos, n));
    if (n == 0) n = 1;
    if (total + width > maxBytes) break;
    total += width;
    pos += n;
  }
  return std::string(utf8.substr(0, pos));
}

}  // namespace karone::textcodec
