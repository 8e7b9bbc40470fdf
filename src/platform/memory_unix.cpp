#include "platform/memory.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace kelvora {

void releaseFreedMemory()
{
#ifdef __GLIBC__
    // Goes through every arena, not only the top of the main heap.
    malloc_trim(0);
#endif
}

} // namespace kelvora
