#pragma once
// Renders a top-level widget (as it would appear, laid out and polished) to
// a PNG file under the build folder, ui-renders/<name>.png, for a person to
// look at.
#include <string>

class QWidget;

namespace karone::testing {

// The folder the PNG files go to.
std::string renderFolder();
// The path written, or "" when the file could not be written.
std::string renderToPng(QWidget& widget, const std::string& name);

}  // namespace karone::testing
