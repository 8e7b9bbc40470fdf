#include "platform/accountstore.h"

namespace kelvora {

// The Credential Manager is part of every Windows a user logs in to.
bool KeychainAccountStore::storeCanAnswer()
{
    return true;
}

} // namespace kelvora
