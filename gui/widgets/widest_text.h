#pragma once

#include <QChar>
#include <QFont>
#include <cstddef>
#include <string>
#include <vector>

namespace tunewick {

// The width in pixels of the widest of `texts` (UTF-8 bytes, as ShownText shows them)
// with `appended` added to each one: exactly what QFontMetrics(font).horizontalAdvance
// gives for the widest, 0 when there are no texts.
//
// Measuring every text that way costs some ten microseconds each, too much for tens of
// thousands. Texts made of plain characters (no combining marks, no right-to-left
// script, no controls) are instead estimated from the advance of each character and
// the kerning of each neighbouring pair, both measured once; only the texts whose
// estimate comes near the widest are measured in full. Other texts are always measured
// in full, and where a font does not follow the estimate every text is. When hundreds
// of texts tie near the widest estimate, only the first hundreds are measured: the
// result may then fall short of the widest by the estimate's tolerance (1 px).
//
// `measuredInFull`, when given, receives how many texts were measured in full.
int WidestTextWidth(const QFont& font, const std::vector<std::string>& texts, QChar appended,
                    std::size_t* measuredInFull = nullptr);

}  // namespace tunewick
