#pragma once
// Checks a laid-out window the way a reviewer looks at it: its title fits
// the title bar (platform/ui/TitleWidth.h), every control lies inside the
// window, every control's text fits the control (labels, buttons, group box
// titles, list headers, table cells), no control sits on a group box's
// title or across its frame line (group boxes are drawn in DialogStyle,
// which reports where it draws them), and no two controls overlap unless
// the layout places them so on purpose (group boxes and plain frames
// surround other controls and are only checked for their own text and
// frame).
//
// Controls are the visible widgets of the window, looked for among its
// children and inside group boxes and plain frames; the inner parts of a
// control (scroll bars, viewports, headers) belong to it.
#include <set>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace karone::testing {

// Pairs of object names that may overlap.
using AllowedOverlaps = std::set<std::pair<std::string, std::string>>;

// One line per problem: what, which control (object name, class, text).
std::vector<std::string> layoutProblems(const QWidget& window,
                                        const AllowedOverlaps& allowed = {});

}  // namespace karone::testing
