#include "widgets/shown_text.h"

namespace tunewick {

QString ShownText(std::string_view bytes) {
  QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  for (QChar& c : text) {
    const char16_t code = c.unicode();
    if (code < 0x20) {
      c = QChar(char16_t(0x2400 + code));
    } else if (code == 0x7F) {
      c = QChar(char16_t(0x2421));
    } else if (code >= 0x80 && code <= 0x9F) {
      c = QChar(QChar::ReplacementCharacter);
    } else if (code == QChar::LineSeparator || code == QChar::ParagraphSeparator) {
      c = QChar(char16_t(0x2424));
    }
  }
  return text;
}

QString AsSentence(QString message) {
  if (!message.isEmpty() && message[0] >= u'a' && message[0] <= u'z')
    message[0] = message[0].toUpper();
  return message;
}

}  // namespace tunewick
