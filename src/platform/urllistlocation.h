#pragma once

#include "core/urllistfile.h"

namespace kelvora {

/** This user's forum address list, where this system keeps it and in the encoding it uses there. */
UrlListFile userUrlListFile();

} // namespace kelvora
