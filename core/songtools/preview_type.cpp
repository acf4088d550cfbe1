#include "songtools/preview_type.h"

#include "catalogue/song_types.h"

namespace tunewick {

std::string_view PreviewEnding(std::string_view path) {
  std::size_t start = path.size();
  for (int characters = 0; characters < 3 && start > 0; ++characters) {
    --start;
    // Step back over the continuation bytes of a UTF-8 character (three at most).
    for (int continuation = 0;
         continuation < 3 && start > 0 && (static_cast<unsigned char>(path[start]) & 0xC0) == 0x80;
         ++continuation)
      --start;
  }
  return path.substr(start);
}

bool IsPreviewable(std::string_view path) {
  return SongTypes::All().Include(path) || HasExtension(path, ".mid");
}

}  // namespace tunewick
