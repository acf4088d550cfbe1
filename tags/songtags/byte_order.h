#pragma once

// Numbers as the containers of songs store them.

#include <cstdint>
#include <string_view>

namespace tunewick {

inline std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;)
    value = (value << 8) | static_cast<std::uint8_t>(bytes[i]);
  return value;
}

inline std::uint64_t BigEndian(std::string_view bytes) {
  std::uint64_t value = 0;
  for (char byte : bytes) value = (value << 8) | static_cast<std::uint8_t>(byte);
  return value;
}

}  // namespace tunewick
