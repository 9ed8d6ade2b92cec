// A splitmix64 generator whose state absorbs a nanosecond clock reading on every reseed.
#include "platform/clock_random.h"

#include <chrono>

namespace tovl {

namespace {

uint64_t splitmix(uint64_t& s) {
    uint64_t z = (s += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}

} // namespace

void clock_random::reseed() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    uint64_t reading = static_cast<uint64_t>(std::chrono::nanoseconds(now).count());
    uint64_t mixed = state_ ^ reading;
    state_ = splitmix(mixed);
}

float clock_random::next() {
    // The top 24 bits give every float k / 2^24, all exactly representable and below 1.
    return static_cast<float>(splitmix(state_) >> 40) * (1.0f / 16777216.0f);
}

} // namespace tovl
