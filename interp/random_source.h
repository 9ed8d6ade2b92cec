// random_source: the random numbers behind "frand".
#pragma once

namespace tovl {

class random_source {
  public:
    virtual ~random_source() = default;

    // Mixes the clock into the generator's state without throwing the state away, so draws
    // made in quick succession stay independent.
    virtual void reseed() = 0;
    // The next number, uniform in [0, 1), as a 32-bit float.
    virtual float next() = 0;
};

} // namespace tovl
