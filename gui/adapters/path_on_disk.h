#pragma once

// Finds the path bytes behind a path that came back from Qt as text.

#include <QString>
#include <optional>
#include <string>

namespace tunewick {

class FileSystem;

// The exact path bytes of the existing entry that Qt's dialogs show as `shown` (an
// absolute path). Qt reads names as UTF-8 text, so a name that is not UTF-8 comes back
// with U+FFFD in place of its stray bytes; such a part is looked up among the entries of
// its folder that read the same. Nothing when an entry is missing, or when several
// entries of one folder read the same, so that a different path is never taken.
std::optional<std::string> PathOnDisk(const FileSystem& fileSystem, const QString& shown);

}  // namespace tunewick
