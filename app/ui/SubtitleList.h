#pragma once
// The history of captions, each line in the colour it was entered with
// (0x00BBGGRR, kept as the line's data). A line of colour 0 is drawn in the
// system colours (highlight when selected, grey when disabled, window text
// otherwise); any other line in its colour on the window background, and
// when selected on a fill of its colour with the text in the complementary
// colour (each of red, green and blue replaced by 255 minus it). The focus
// rectangle is drawn; text is one vertically centred line with tabs
// expanded. Lines are as high as a check mark, or as the font where that is
// taller.
//
// Threads: window thread.
#include <QListWidget>
#include <cstdint>

namespace karone {

class SubtitleList final : public QListWidget {
  Q_OBJECT

 public:
  static constexpr int kColourRole = Qt::UserRole;

  explicit SubtitleList(QWidget* parent = nullptr);

  // Adds a line and scrolls to the bottom.
  void addLine(const QString& text, std::uint32_t colour);
  std::uint32_t colourOf(int row) const;

  static std::uint32_t complementOf(std::uint32_t colour) { return colour ^ 0x00FFFFFFu; }
};

}  // namespace karone
