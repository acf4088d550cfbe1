#include "adapters/path_on_disk.h"

#include <QStringList>

#include "platform/file_system.h"

namespace tunewick {

std::optional<std::string> PathOnDisk(const FileSystem& fileSystem, const QString& shown) {
  if (!shown.startsWith(u'/')) return std::nullopt;
  std::string path;
  for (const QString& part : shown.split(u'/', Qt::SkipEmptyParts)) {
    // A name read as text without a stray byte is its own UTF-8.
    std::optional<std::string> name;
    if (!part.contains(QChar(QChar::ReplacementCharacter))) name = part.toUtf8().toStdString();
    if (!name) {
      for (const FolderEntry& entry : fileSystem.ListFolder(path.empty() ? "/" : path).entries) {
        if (QString::fromUtf8(entry.name.data(), static_cast<qsizetype>(entry.name.size())) != part)
          continue;
        if (name) return std::nullopt;  // two names read the same
        name = entry.name;
      }
      if (!name) return std::nullopt;
    }
    path += '/';
    path += *name;
  }
  if (path.empty()) path.push_back('/');  // the root itself
  if (!fileSystem.Exists(path)) return std::nullopt;
  return path;
}

}  // namespace tunewick
