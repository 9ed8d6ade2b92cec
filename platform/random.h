// The process-wide random generator behind "frand".
#pragma once

namespace tovl {

// Mixes a high-resolution clock reading into the generator's running state. Reseeding never
// throws away the state, so draws made in quick succession stay independent.
void randomreseed();

// The next number, uniform in [0, 1), as a 32-bit float.
float randomnext();

} // namespace tovl
