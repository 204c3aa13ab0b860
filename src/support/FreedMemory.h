#pragma once

namespace tarvo {

// Hands memory that the program has freed back to the system. Large
// passing buffers freed between two large allocations otherwise stay
// resident in the heap, where the next allocation cannot always use them;
// the phonebook load calls this between its phases so its peak is what it
// holds, not what it once held. Does nothing where the C library offers no
// way to do it.
void returnFreedMemory();

} // namespace tarvo
