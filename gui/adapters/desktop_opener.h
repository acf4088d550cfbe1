#pragma once

// The desktop's own "open" action: the user's default program for a file's type.

#include <string>

namespace tunewick {

class DesktopOpener {
 public:
  virtual ~DesktopOpener() = default;
  // Asks the desktop to open the file (path bytes). False when no program could be
  // started for it; whether that program then manages is not observed.
  virtual bool Open(const std::string& path) = 0;
};

// Through QDesktopServices.
class QtDesktopOpener final : public DesktopOpener {
 public:
  bool Open(const std::string& path) override;
};

}  // namespace tunewick
