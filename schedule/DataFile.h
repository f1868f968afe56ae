#pragma once
// The data file EncData.zrd, byte for byte. Little-endian, no header:
// the profile list, then the schedule list.
//
//   list    = count (word; 0xFFFF then a 32-bit count when >= 0xFFFF),
//             then that many objects
//   object  = class tag, then the record's fields
//   new class tag = FFFF, schema word, name length word, name bytes
//             ("CFTPInfoItem" schema 2, "CScheInfoItem" schema 1)
//   seen class tag = 0x8000 | index, or 7FFF then 0x80000000 | index as a
//             32-bit word when the index exceeds 0x7FFE. One index counter
//             per file, starting at 1, shared by classes (when their tag is
//             first written) and objects (each takes the next index).
//   text    = length below 255: one byte; up to 0xFFFD: FF + word; larger:
//             FF FFFF + 32-bit length; then the bytes. FF FFFE announces a
//             UTF-16LE text: a second length prefix counts its code units.
//
// Texts are UTF-8 in memory. They are written as code page 932 bytes when
// code page 932 can hold them, else in the UTF-16 form so that nothing is
// lost (invalid UTF-8, which the program never produces itself, is written
// with U+FFFD in place of each undecodable byte). On reading, code page 932
// bytes that do not decode (the program never writes such bytes) become
// U+FFFD each, and so do unpaired UTF-16 surrogates; the record is kept.
//
// Reading never trusts a length or count: nothing is allocated beyond what
// the input holds, and every input ends in finite time with either the two
// lists or an error with the offset where reading stopped. Records read
// before an error are returned too.
//
// Stateless; any thread.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/ProfileInfo.h"
#include "schedule/ScheduleInfo.h"

namespace karone {

// The largest data file the program reads, and so the largest it writes
// (far above any real one: a few kilobytes).
inline constexpr std::uint64_t kMaxDataFileSize = 64u * 1024 * 1024;

enum class DataFileError {
  None,
  EndOfFile,  // the input ends inside a count, tag or field
  BadClass,   // unknown class name, name longer than 63 bytes, or a record
              // of the wrong class in a list
  BadSchema,  // a schedule of a schema other than 1, a profile of other than 1 or 2
  BadIndex,   // a seen-class tag naming no class, an object reference or a null tag
};

struct DataFileReadResult {
  std::vector<ProfileInfo> profiles;
  std::vector<ScheduleInfo> schedules;
  DataFileError error = DataFileError::None;
  // On error: the offset of the first byte of the count, tag or field that
  // could not be read. When clean: the offset just after the schedule list.
  std::uint64_t offset = 0;
  // Bytes after the schedule list (the program never writes any; they are
  // ignored).
  std::uint64_t trailingBytes = 0;

  bool ok() const { return error == DataFileError::None; }
};

class DataFile {
 public:
  static std::string write(const std::vector<ProfileInfo>& profiles,
                           const std::vector<ScheduleInfo>& schedules);
  static DataFileReadResult read(std::string_view bytes);

  // Stable English name of an error ("end of file", "bad class", ...).
  static const char* errorName(DataFileError error);

  // The schema numbers and class names as written.
  static constexpr std::uint16_t kProfileSchema = 2;
  static constexpr std::uint16_t kScheduleSchema = 1;
  static constexpr std::string_view kProfileClass = "CFTPInfoItem";
  static constexpr std::string_view kScheduleClass = "CScheInfoItem";
};

}  // namespace karone
