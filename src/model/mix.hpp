// The one 64-bit mixing function of the hashes and the seeding of the random
// generator: the finalizer of SplitMix64, in which every bit of the input
// moves every bit of the result.
#pragma once

#include <cstdint>

namespace forvela {

constexpr std::uint64_t mix64(std::uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ULL;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

}  // namespace forvela
