#pragma once

// The desktop's own "open" action: the user's default program for a file's type.

#include <string>

namespace tunewick {

class DesktopOpener {
 public:
  virtual ~DesktopOpener() = default;
  // Asks the desktop to open the file (path bytes). Whether it succeeds is not observed.
  virtual void Open(const std::string& path) = 0;
};

// Through QDesktopServices.
class QtDesktopOpener final : public DesktopOpener {
 public:
  void Open(const std::string& path) override;
};

}  // namespace tunewick
