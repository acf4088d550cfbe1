#pragma once

// The tags of an M4A file: the atoms ©nam, ©ART and aART in moov/udta/meta/ilst. They are
// found by a walk of the file's atoms here and read by TagLib from a copy that holds them
// alone: TagLib's own walk follows atoms nested in each other as deep as a file nests them.

#include "songtags/modern_tags.h"
#include "songtags/tag_stream.h"

namespace tunewick {

ModernTags ReadMp4Atoms(TagStream& stream);

}  // namespace tunewick
