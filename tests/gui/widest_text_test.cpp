#include "widgets/widest_text.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <cstdint>
#include <string>
#include <vector>

#include "widgets/look.h"
#include "widgets/shown_text.h"
#include "widgets/song_list_view.h"

namespace tunewick::testing {
namespace {

// What the width has to be: every text measured in full.
int MeasureEvery(const QFont& font, const std::vector<std::string>& texts) {
  const QFontMetrics metrics(font);
  int widest = 0;
  for (const std::string& text : texts)
    widest = std::max(widest, metrics.horizontalAdvance(ShownText(text) + QLatin1Char('x')));
  return widest;
}

// Song paths of Latin with kerning pairs, other scripts, and pieces shaped as a whole
// (Arabic, a combining mark, a tab, emoji, a ligature, bytes that are not UTF-8).
std::vector<std::string> MixedTexts(std::uint64_t state, std::size_t count) {
  static const char* const pieces[] = {
      "Björk", "AVATAR",        "Yo",        " - ", "Смутное",          "坂本",
      "ffi",   "مرحبا بالعالم", "e\xcc\x81", "\t",  "\xf0\x9f\x91\x8d", "\xff\xfe",
      "ﬃ"};
  std::vector<std::string> texts(count);
  for (std::string& text : texts) {
    for (int piece = 0; piece < 8; ++piece) {
      state = state * 6364136223846793005u + 1442695040888963407u;
      text += pieces[(state >> 33) % std::size(pieces)];
    }
  }
  return texts;
}

// The list scrolls sideways over its widest entry, one letter to spare, however a font
// kerns, joins or shapes the texts. Thirty times "ffi" is set against the shortest row of
// "H" that is wider in fact: added up letter by letter, the pieces come out wider where the
// font joins them into one glyph.
TEST(WidestText, GivesWhatMeasuringEveryTextGives) {
  std::vector<SongPath> songs;
  SongListView view(songs);
  view.UpdateHorizontalExtent();
  EXPECT_EQ(view.HorizontalExtent(), 0);
  songs = MixedTexts(99, 600);
  view.Reload();
  view.UpdateHorizontalExtent();
  EXPECT_EQ(view.HorizontalExtent(), MeasureEvery(view.font(), songs));

  const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  QFont italic = system;
  italic.setItalic(true);
  for (const QFont& font : {look::Font(11), system, italic}) {
    SCOPED_TRACE(font.toString().toStdString());
    EXPECT_EQ(WidestTextWidth(font, songs, QLatin1Char('x')), MeasureEvery(font, songs));
    const std::string pieces = QStringLiteral("ffi").repeated(30).toStdString();
    std::string row;
    while (MeasureEvery(font, {row}) <= MeasureEvery(font, {pieces})) row += 'H';
    std::vector<std::string> texts(300, "short");
    texts.insert(texts.begin() + 100, pieces);
    texts.insert(texts.begin() + 200, row);
    EXPECT_EQ(WidestTextWidth(font, texts, QLatin1Char('x')), MeasureEvery(font, {row}));
  }
}

}  // namespace
}  // namespace tunewick::testing
