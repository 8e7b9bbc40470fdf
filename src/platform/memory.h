#pragma once

namespace kelvora {

/**
 * Hands the memory the process has freed back to the system. The C library keeps freed blocks
 * for reuse, which is right for a program that allocates all the time and wrong for one that
 * has just let a page go and will sit still until the next reload: without this, a sleeping
 * page's memory would stay counted against the program.
 */
void releaseFreedMemory();

} // namespace kelvora
