#include <sys/resource.h>
#include <unistd.h>

#include "platform/thread_priority.h"

namespace tunewick {

void YieldProcessorToOthers() {
  // On Linux a nice value belongs to a thread, not to the whole process.
  constexpr int kBackground = 10;
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kBackground);
}

}  // namespace tunewick
