#include "platform/fd_stream_buffer.h"

#include <unistd.h>

#include <cerrno>

namespace tunewick {

FdStreamBuffer::FdStreamBuffer(int fd, std::error_code unusable) : fd_(fd), error_(unusable) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

FdStreamBuffer::~FdStreamBuffer() { WriteOut(); }

bool FdStreamBuffer::WriteOut() {
  if (pptr() == pbase()) return true;  // nothing lost here
  const char* next = pbase();
  while (!error_ && next < pptr()) {
    const ssize_t written = ::write(fd_, next, static_cast<std::size_t>(pptr() - next));
    if (written > 0) {
      next += written;
    } else if (written == 0) {
      error_ = std::make_error_code(std::errc::io_error);  // no progress: do not spin
    } else if (errno != EINTR) {
      error_ = {errno, std::generic_category()};
    }
  }
  // What could not be written is dropped: the stream reports the failure from here on.
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return !error_;
}

FdStreamBuffer::int_type FdStreamBuffer::overflow(int_type c) {
  if (!WriteOut()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int FdStreamBuffer::sync() { return WriteOut() ? 0 : -1; }

}  // namespace tunewick
