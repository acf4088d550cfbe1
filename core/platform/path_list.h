#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tunewick {

// Paths kept end to end in one block: a list of a hundred thousand songs costs a few
// allocations, not one per path.
class PathList {
 public:
  void Add(std::string_view path) {
    bytes_.append(path);
    ends_.push_back(bytes_.size());
  }
  std::size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](std::size_t i) const {
    const std::size_t start = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(bytes_).substr(start, ends_[i] - start);
  }

 private:
  std::string bytes_;
  std::vector<std::size_t> ends_;
};

}  // namespace tunewick
