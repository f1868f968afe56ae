#pragma once
// The pictures and the status page that a run writes into its work folder
// live only while they are compressed and published; a run that was killed
// leaves them behind. At start, once the program holds its instance lock,
// the files of that kind are removed: regular files of this user whose
// names are exactly the program's own ("motion_img_" + 8 hex digits,
// "still_img_latest", "still_img_bckp_" + 8 hex digits, each as ".bmp" or
// ".jpg", and "currfrme.html"). Nothing else in the folder is touched.
//
// Any thread; the folder should be the program's own work folder.
#include <string>
#include <string_view>

namespace karone {

bool isWorkFileName(std::string_view name);
// Removes the work files in folder; returns how many went.
int removeStaleWorkFiles(const std::string& folder);
// Why no picture could be written in folder ("" when a file can be made and
// written there): a probe file is made, written and removed.
std::string workFolderProblem(const std::string& folder);

}  // namespace karone
