#include "platform/heap.h"

#include <malloc.h>

namespace tunewick {

void ReturnFreedMemory() { ::malloc_trim(0); }

}  // namespace tunewick
