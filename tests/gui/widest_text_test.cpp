#include "catalogue/widest_text.h"

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/song_list_view.h"
#include "platform/look.h"

namespace tunewick {
namespace {

// What the width has to be: every text measured in full.
int MeasureEvery(const QFont& font, const std::vector<std::string>& texts) {
  const QFontMetrics metrics(font);
  int widest = 0;
  for (const std::string& text : texts)
    widest = std::max(widest, metrics.horizontalAdvance(
                                  QString::fromUtf8(text.data(), text.size()) + QLatin1Char('x')));
  return widest;
}

struct TestFont {
  QFont font;
  // Whether widths in this font are the sum of advances and pair kerning, so that
  // estimates stand in for most measurements.
  bool estimable;
};

std::vector<TestFont> Fonts() {
  QFont bold = look::Font(13);
  bold.setBold(true);
  // DejaVu and its kin join "ffi" into one glyph: not a matter of pairs.
  QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  system.setPixelSize(12);
  system.setItalic(true);
  // Letter spacing is not added where one script or font gives way to another.
  QFont spaced = look::Font(11);
  spaced.setLetterSpacing(QFont::AbsoluteSpacing, 0.7);
  spaced.setWordSpacing(2.5);
  return {{look::Font(11), true}, {bold, true}, {system, false}, {spaced, false}};
}

// A deterministic stream of numbers for the lists below.
struct Random {
  std::uint64_t state;
  std::size_t Below(std::size_t bound) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return static_cast<std::size_t>((state >> 33) % bound);
  }
};

// Pieces of song paths: Latin with kerning pairs and ligature candidates, accents,
// Cyrillic, Greek, Japanese, punctuation. And pieces that are shaped as a whole:
// Arabic, Hebrew, combining marks, a tab, a soft hyphen, a joiner, emoji, a ligature,
// bytes that are not UTF-8.
const std::vector<std::string> kPlainPieces = {
    "/music/", "Björk",    "Sigur Rós",    "AVATAR", "Type",
    "office",  "WAVE",     "LT",           "T.",     "Yo",
    " - ",     "_",        "(1)",          "07 ",    "Смутное время",
    "Ωμέγα",   "坂本龍一", "戦場のメリー", "“q”",    "…",
    "€5",      "ffi",      "Wa",           "AC-DC",  ".mp3",
    ".WAV"};
const std::vector<std::string> kShapedPieces = {"مرحبا بالعالم",
                                                "שלום עולם",
                                                "e\xcc\x81\xcc\x81",
                                                "\t",
                                                "a\xc2\xad"
                                                "b",
                                                "a\u200db",
                                                "\xf0\x9f\x91\x8d\xf0\x9f\x8f\xbd",
                                                "\xff\xfe",
                                                "ﬃ",
                                                "\xe0\xa4\x95\xe0\xa5\x8d\xe0\xa4\xb7"};

std::vector<std::string> MixedTexts(std::uint64_t seed, std::size_t count, std::size_t shapedIn) {
  Random random{seed};
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < count; ++i) {
    std::string text;
    for (std::size_t piece = 0, pieces = 1 + random.Below(14); piece < pieces; ++piece) {
      if (shapedIn > 0 && random.Below(shapedIn) == 0)
        text += kShapedPieces[random.Below(kShapedPieces.size())];
      else
        text += kPlainPieces[random.Below(kPlainPieces.size())];
    }
    texts.push_back(std::move(text));
  }
  return texts;
}

TEST(WidestText, MixedListsGiveWhatMeasuringEveryTextGives) {
  for (const auto& [font, estimable] : Fonts()) {
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
      SCOPED_TRACE(font.toString().toStdString() + ", seed " + std::to_string(seed));
      // Plain texts only, then a few shaped pieces among them, then many.
      for (std::size_t shapedIn : {0, 40, 4}) {
        const std::vector<std::string> texts = MixedTexts(seed, 400, shapedIn);
        std::size_t measured = 0;
        EXPECT_EQ(WidestTextWidth(font, texts, QLatin1Char('x'), &measured),
                  MeasureEvery(font, texts));
        // Plain texts are estimated: only the few near the widest are measured, besides
        // every text with a shaped piece. Where the font does not follow the estimate,
        // every text is.
        if (estimable && shapedIn != 4) {
          EXPECT_LT(measured, texts.size() / (shapedIn == 0 ? 10 : 3));
        }
      }
    }
  }
}

// Thirty times a tight piece, against the shortest row of "H" that is wider in fact: added
// up letter by letter, the pieces come out wider whenever the font kerns them or joins them
// into one glyph.
TEST(WidestText, KerningAndLigaturesDecideWhichTextIsWidest) {
  for (const auto& [font, estimable] : Fonts()) {
    SCOPED_TRACE(font.toString().toStdString());
    const QFontMetricsF metrics(font);
    // The pair of letters that the font pulls closest together.
    QString pair = QStringLiteral("AV");
    double tightest = 0;
    for (QChar a = u'A'; a <= u'z'; a = QChar(a.unicode() + 1)) {
      for (QChar b = u'A'; b <= u'z'; b = QChar(b.unicode() + 1)) {
        const QString candidate = QString(a) + b;
        const double kerning = metrics.horizontalAdvance(candidate) - metrics.horizontalAdvance(a) -
                               metrics.horizontalAdvance(b);
        if (kerning < tightest) tightest = kerning, pair = candidate;
      }
    }
    for (const QString& piece : {pair, QStringLiteral("ffi")}) {
      const std::string pieces = piece.repeated(30).toStdString();
      const QFontMetrics exact(font);
      const int piecesWidth = exact.horizontalAdvance(QString::fromStdString(pieces) + u'x');
      std::string row;
      while (exact.horizontalAdvance(QString::fromStdString(row) + u'x') <= piecesWidth) row += 'H';
      std::vector<std::string> texts(300, "short");
      texts.insert(texts.begin() + 100, pieces);
      texts.insert(texts.begin() + 200, row);
      EXPECT_EQ(WidestTextWidth(font, texts, QLatin1Char('x')),
                exact.horizontalAdvance(QString::fromStdString(row) + u'x'))
          << piece.toStdString();
    }
  }
}

TEST(SongListView, ScrollsSidewaysOverTheWidestEntryWithOneLetterToSpare) {
  std::vector<SongPath> songs;
  SongListView view(songs);
  view.UpdateHorizontalExtent();
  EXPECT_EQ(view.HorizontalExtent(), 0);
  songs = MixedTexts(99, 1000, 50);
  view.Reload();
  view.UpdateHorizontalExtent();
  EXPECT_EQ(view.HorizontalExtent(), MeasureEvery(view.font(), songs));
  EXPECT_GT(view.HorizontalExtent(), 0);
}

}  // namespace
}  // namespace tunewick
