#pragma once
// The names of the picture files the program makes, shared by the capture
// pipeline (which writes them into the buffer folder) and the uploader
// (which publishes them under the same names and recognises them on the
// server). Defined once here so that both sides always agree.
#include <string_view>

namespace karone {

// A motion strip: prefix + running number as 8 lower-case hex digits + ".jpg".
inline constexpr std::string_view kMotionPrefix = "motion_img_";
// The still picture always has one name.
inline constexpr std::string_view kStillStem = "still_img_latest";
inline constexpr std::string_view kLatestStillName = "still_img_latest.jpg";
// Every still buffer file (the latest picture and its backups) starts so.
inline constexpr std::string_view kStillPrefix = "still_img_";
// A backup of an earlier still: prefix + 8 hex digits + ".jpg".
inline constexpr std::string_view kStillBackupPrefix = "still_img_bckp_";
inline constexpr std::string_view kJpegExtension = ".jpg";
inline constexpr std::string_view kBmpExtension = ".bmp";

}  // namespace karone
