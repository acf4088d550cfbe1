#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include "platform/desktop_opener.h"

namespace tunewick {

void QtDesktopOpener::Open(const std::string& path) {
  QDesktopServices::openUrl(
      QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(path))));
}

}  // namespace tunewick
