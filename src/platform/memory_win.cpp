#include "platform/memory.h"

#include <malloc.h>

namespace kelvora {

void releaseFreedMemory()
{
    _heapmin();
}

} // namespace kelvora
