#include "support/FreedMemory.h"

#include <cstdlib> // defines __GLIBC__ where it applies

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tarvo {

void returnFreedMemory()
{
#if defined(__GLIBC__)
    // Also gives back the free pages inside the heap, not only its top.
    (void)::malloc_trim(0);
#endif
}

} // namespace tarvo
