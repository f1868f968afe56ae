#pragma once
// Text conversions at the program's boundaries. Inside, text is UTF-8; the
// data file and the published status page hold code page 932 (Shift-JIS
// with the vendor extensions), and lengths the operator is limited by (the
// caption, the 256-byte settings fields) count code-page-932 bytes.
// Conversions use iconv; nothing here throws.
//
// Thread-safe: every call uses its own conversion state.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace karone::textcodec {

// nullopt when the input is not valid UTF-8 or holds a character code page
// 932 cannot represent.
std::optional<std::string> utf8ToCp932(std::string_view utf8);
// nullopt when the input is not valid code page 932.
std::optional<std::string> cp932ToUtf8(std::string_view cp932);
// As cp932ToUtf8, but every undecodable byte becomes U+FFFD.
std::string cp932ToUtf8Lossy(std::string_view cp932);

// UTF-16 little-endian (no byte-order mark) from and to UTF-8.
std::optional<std::string> utf16leToUtf8(std::string_view utf16le);
std::optional<std::string> utf8ToUtf16le(std::string_view utf8);

bool isValidUtf8(std::string_view text);

// Length of a UTF-8 text in code page 932 bytes; a character that code page
// 932 cannot hold counts with its UTF-8 length. Invalid UTF-8 bytes count 1.
std::size_t cp932Length(std::string_view utf8);

// The longest prefix of a UTF-8 text whose cp932Length is at most maxBytes,
// cut between characters (never inside a double-byte character).
std::string truncateToCp932(std::string_view utf8, std::size_t maxBytes);

}  // namespace karone::textcodec
