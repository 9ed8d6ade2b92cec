// clock_random: the random source of a real run, a generator reseeded from the clock.
#pragma once

#include "interp/random_source.h"

#include <cstdint>

namespace tovl {

// splitmix64 whose state absorbs a nanosecond clock reading on every reseed.
class clock_random final : public random_source {
  public:
    void reseed() override;
    float next() override;

  private:
    uint64_t state_ = 0x9E3779B97F4A7C15u;
};

} // namespace tovl
