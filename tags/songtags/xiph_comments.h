#pragma once

// Xiph comments, the tags of FLAC, Ogg Vorbis and Opus files: the fields TITLE, ARTIST and
// ALBUMARTIST. The comment is found in the file's own structure here and read by TagLib
// from a copy that holds those fields alone: a comment may hold megabytes of pictures and
// millions of other fields, which TagLib would all decode.

#include <cstdint>

#include "songtags/modern_tags.h"
#include "songtags/tag_stream.h"

namespace tunewick {

// The Xiph comment of the native FLAC stream whose "fLaC" marker is at `at`.
ModernTags ReadFlacComment(TagStream& stream, std::uint64_t at);

// The Xiph comment of an Ogg file's first stream, when it is Vorbis, Opus or FLAC.
ModernTags ReadOggComment(TagStream& stream);

}  // namespace tunewick
