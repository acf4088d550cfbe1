#include "widgets/widest_text.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "widgets/shown_text.h"

namespace tunewick {
namespace {

// Below this many texts, measuring each one is cheaper than building the estimate.
constexpr std::size_t kFewTexts = 200;
// The most distinct characters the estimate keeps; texts with others are measured.
constexpr std::size_t kMaxCharacters = 1024;
// How far a measured text may lie from its estimate (rounding to whole pixels
// included) before the estimate is given up for this font.
constexpr double kTolerance = 1.0;
// Texts whose estimate lies within this of the largest estimate are measured. Let w be
// the widest text and t the one with the largest estimate: with every text within
// kTolerance of its estimate, E(w) >= X(w) - 1 >= X(t) - 1 >= E(t) - 2. Twice that
// leaves room to spare.
constexpr double kCandidateMargin = 2 * (2 * kTolerance);
// Texts spread over the list that are measured to check the estimate.
constexpr std::size_t kSpotChecks = 16;
// The most candidates measured. Many texts tie for the widest estimate only when they
// are built alike (long lists of renames with the same folders and numbered names),
// and those measure alike too; the widest of this many is the widest of them all to
// within the estimate's tolerance.
constexpr std::size_t kMostCandidates = 512;

constexpr char32_t kInvalid = 0xFFFFFFFF;

// The next code point of well-formed UTF-8 (shortest form, no surrogates), or kInvalid.
char32_t NextCodePoint(const unsigned char*& at, const unsigned char* end) {
  const unsigned lead = *at++;
  if (lead < 0x80) return lead;
  int extra;
  char32_t value, smallest;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, smallest = 0x10000;
  } else {
    return kInvalid;
  }
  if (end - at < extra) return kInvalid;
  for (int i = 0; i < extra; ++i) {
    const unsigned next = *at++;
    if ((next & 0xC0) != 0x80) return kInvalid;
    value = (value << 6) | (next & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return kInvalid;
  return value;
}

// Characters whose share of a line's width is their own advance plus the kerning with
// their neighbours: letters, digits, punctuation and symbols of left-to-right scripts
// without combining marks. Left out: controls (a tab depends on its position), the
// soft hyphen and invisible format characters, combining marks, right-to-left and
// other scripts whose shapes depend on their neighbours, and everything outside the
// Basic Multilingual Plane.
bool IsPlain(char32_t c) {
  return (c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0x2FF && c != 0xAD) ||
         (c >= 0x370 && c <= 0x482) || (c >= 0x48A && c <= 0x52F) || (c >= 0x1E00 && c <= 0x1FFF) ||
         (c >= 0x2010 && c <= 0x2027) || (c >= 0x2030 && c <= 0x205E) ||
         (c >= 0x20A0 && c <= 0x20C0) || (c >= 0x3041 && c <= 0x3096) ||
         (c >= 0x30A0 && c <= 0x30FF) || (c >= 0x4E00 && c <= 0x9FFF);
}

// Widths of plain texts from the advances of their characters and the kerning of
// neighbouring pairs, each measured once through the same text layout as whole lines.
class WidthEstimate {
 public:
  explicit WidthEstimate(const QFont& font) : metrics_(font), slots_(0x10000, 0) {}

  // Gives every character of `text` its slot; false when the text is not plain.
  bool Register(std::string_view text) {
    auto at = reinterpret_cast<const unsigned char*>(text.data());
    const auto end = at + text.size();
    while (at < end) {
      const char32_t c = NextCodePoint(at, end);
      if (c == kInvalid || !IsPlain(c)) return false;
      if (slots_[c] == 0) {
        if (characters_.size() == kMaxCharacters) return false;
        characters_.push_back(static_cast<char16_t>(c));
        advances_.push_back(metrics_.horizontalAdvance(QString(QChar(characters_.back()))));
        slots_[c] = static_cast<std::uint16_t>(characters_.size());
      }
    }
    return true;
  }

  // Call once every text has been registered, before the first Estimate.
  void Seal() {
    kerning_.assign(characters_.size() * characters_.size(),
                    std::numeric_limits<float>::quiet_NaN());
  }

  // The estimated width of a registered text followed by the registered `appended`.
  double Estimate(std::string_view text, char16_t appended) {
    auto at = reinterpret_cast<const unsigned char*>(text.data());
    const auto end = at + text.size();
    double width = 0;
    std::size_t previous = kNone;
    auto add = [&](std::size_t slot) {
      width += advances_[slot];
      if (previous != kNone) width += Kerning(previous, slot);
      previous = slot;
    };
    while (at < end) add(slots_[NextCodePoint(at, end)] - 1u);
    add(slots_[appended] - 1u);
    return width;
  }

 private:
  static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

  double Kerning(std::size_t left, std::size_t right) {
    float& kerning = kerning_[left * characters_.size() + right];
    if (std::isnan(kerning)) {
      const QChar pair[] = {QChar(characters_[left]), QChar(characters_[right])};
      kerning = static_cast<float>(metrics_.horizontalAdvance(QString(pair, 2)) - advances_[left] -
                                   advances_[right]);
    }
    return kerning;
  }

  QFontMetricsF metrics_;
  std::vector<std::uint16_t> slots_;  // 1 + slot of each character seen; 0: not seen
  std::vector<char16_t> characters_;
  std::vector<double> advances_;
  std::vector<float> kerning_;  // by left slot, then right slot; NaN until measured
};

}  // namespace

int WidestTextWidth(const QFont& font, const std::vector<std::string>& texts, QChar appended,
                    std::size_t* measuredInFull) {
  const QFontMetrics metrics(font);
  std::size_t measured = 0;
  if (!measuredInFull) measuredInFull = &measured;
  *measuredInFull = 0;
  auto measure = [&](const std::string& text) {
    ++*measuredInFull;
    return metrics.horizontalAdvance(ShownText(text) + appended);
  };
  int widest = 0;
  auto measureAll = [&](auto&& wanted) {
    for (std::size_t i = 0; i < texts.size(); ++i)
      if (wanted(i)) widest = std::max(widest, measure(texts[i]));
    return widest;
  };
  const QString appendedText(appended);
  if (texts.size() < kFewTexts || !IsPlain(appended.unicode()))
    return measureAll([](std::size_t) { return true; });

  WidthEstimate estimate(font);
  estimate.Register(appendedText.toUtf8().toStdString());
  std::vector<bool> plain(texts.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    plain[i] = estimate.Register(texts[i]);
    if (!plain[i]) widest = std::max(widest, measure(texts[i]));
  }
  estimate.Seal();

  std::vector<double> estimates(texts.size(), 0);
  double largest = -1;
  std::size_t plainCount = 0;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    if (!plain[i]) continue;
    estimates[i] = estimate.Estimate(texts[i], appended.unicode());
    largest = std::max(largest, estimates[i]);
    ++plainCount;
  }
  if (plainCount == 0) return widest;

  // Measure the candidates for the widest and a few texts spread over the list; any of
  // them far from its estimate means this font does not follow it.
  bool estimateHolds = true;
  auto check = [&](std::size_t i) {
    const int width = measure(texts[i]);
    if (std::abs(width - estimates[i]) > kTolerance) estimateHolds = false;
    widest = std::max(widest, width);
  };
  std::vector<std::size_t> candidates;
  for (std::size_t i = 0; i < texts.size(); ++i)
    if (plain[i] && estimates[i] >= largest - kCandidateMargin) candidates.push_back(i);
  if (candidates.size() > kMostCandidates) {
    std::partial_sort(candidates.begin(), candidates.begin() + kMostCandidates, candidates.end(),
                      [&](std::size_t a, std::size_t b) { return estimates[a] > estimates[b]; });
    candidates.resize(kMostCandidates);
  }
  for (std::size_t i : candidates) {
    if (!estimateHolds) break;
    check(i);
  }
  for (std::size_t n = 0; n < kSpotChecks && estimateHolds; ++n) {
    const std::size_t i = n * texts.size() / kSpotChecks;
    if (plain[i]) check(i);
  }
  if (!estimateHolds) return measureAll([&](std::size_t i) { return bool(plain[i]); });
  return widest;
}

}  // namespace tunewick
