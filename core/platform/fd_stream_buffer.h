#pragma once

// An output stream buffer over a file descriptor that remembers why writing failed, so
// that a program can tell its user more than "the output was lost".

#include <array>
#include <streambuf>
#include <system_error>

namespace tunewick {

class FdStreamBuffer final : public std::streambuf {
 public:
  // With `unusable`, the descriptor is known to lead nowhere (it was closed when the
  // program started): every write fails with that error.
  explicit FdStreamBuffer(int fd, std::error_code unusable = {});
  ~FdStreamBuffer() override;
  FdStreamBuffer(const FdStreamBuffer&) = delete;
  FdStreamBuffer& operator=(const FdStreamBuffer&) = delete;

  // The system's error of the first write that failed; empty while every write went through.
  std::error_code error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool WriteOut();

  int fd_;
  std::error_code error_;
  std::array<char, 64 * 1024> buffer_;
};

}  // namespace tunewick
