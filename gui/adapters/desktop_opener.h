#pragma once

// The desktop's own "open" action: the user's default program for a file's type.

#include <chrono>
#include <string>

namespace tunewick {

class DesktopOpener {
 public:
  virtual ~DesktopOpener() = default;
  // Asks the desktop to open the file (path bytes). False when the desktop did not take it:
  // no program could be started for it, or the desktop's opener said it failed.
  virtual bool Open(const std::string& path) = 0;
};

// Through xdg-open, else QDesktopServices.
class QtDesktopOpener final : public DesktopOpener {
 public:
  // xdg-open hands the file over and ends at once; one still running after `wait` runs the
  // file's program itself, and is taken to have handed it over.
  explicit QtDesktopOpener(std::chrono::milliseconds wait = std::chrono::seconds(2))
      : wait_(wait) {}
  bool Open(const std::string& path) override;

 private:
  std::chrono::milliseconds wait_;
};

}  // namespace tunewick
