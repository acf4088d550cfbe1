#pragma once

// The program's heap, as the system sees it.

namespace tunewick {

// Hands the memory the heap holds free back to the system. After a run over a large
// library freed much of what it used, the heap keeps the freed pages between the blocks
// still in use, and the program would go on occupying them.
void ReturnFreedMemory();

}  // namespace tunewick
