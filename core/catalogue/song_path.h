#pragma once

#include <string_view>

namespace tunewick {

// The file name of a song path: the text after its last "/", extension included.
inline std::string_view FileNameOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The folder of a song path: everything up to and including its last "/".
inline std::string_view FolderOf(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

}  // namespace tunewick
