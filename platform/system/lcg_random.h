// The one process-wide pseudo-random generator, the linear congruential one of the C runtime
// the system was written for: state = state * 214013 + 2531011, draw = (state >> 16) & 0x7FFF.
// Owns: the 32-bit state. Does not: use the C library's rand, which differs between platforms.
#pragma once

#include <cstdint>

constexpr int kRandomMax = 32767;

// Sets the state (srand).
void RandomSeed(uint32_t seed);
// Next draw, 0 to 32767 (rand).
int RandomDraw();
// One draw divided by 32767.0: a fraction in [0, 1].
double RandomFraction();
// The same fraction rounded to a float, as the scene's 32-bit arithmetic takes it.
inline float RandomFractionF() {
    return static_cast<float>(RandomFraction());
}
// The current state, so that tests and tools can save and restore it.
uint32_t RandomState();
