#pragma once

// Work a thread may do in the background, such as packing a journal while its run renames.

namespace tunewick {

// Lets the calling thread yield the processor to the program's other threads, and to
// other programs, whenever they want it. Nothing happens where the system refuses.
void YieldProcessorToOthers();

}  // namespace tunewick
