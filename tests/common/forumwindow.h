#pragma once

#include "common/guitest.h"

namespace kelvora::test {

/**
 * The fixture of every end-to-end test: the test forums, each on an address of its own in
 * 127.0.0.0/8 so that each has its own cookies, and the eight running slots with a window over
 * them (see SlotWindow). A forum starts the first time it is asked for.
 */
class ForumWindow : public SlotWindow, public Forums
{
};

} // namespace kelvora::test
