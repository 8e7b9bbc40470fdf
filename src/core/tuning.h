#pragma once

namespace kelvora {

/**
 * Whether this build saves what it can: pages nobody sees sleep between reloads, and the engine
 * runs with the switches that measured well. A plain build (KELVORA_PLAIN) keeps every page live
 * and the engine as it comes, to measure against.
 */
#ifdef KELVORA_PLAIN
inline constexpr bool TunedBuild = false;
#else
inline constexpr bool TunedBuild = true;
#endif

} // namespace kelvora
