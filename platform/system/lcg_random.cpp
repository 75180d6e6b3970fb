#include "platform/system/lcg_random.h"

namespace {
uint32_t g_state = 1;  // the C runtime's state before any seeding
}

void RandomSeed(uint32_t seed) { g_state = seed; }

int RandomDraw() {
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

double RandomFraction() { return RandomDraw() / 32767.0; }

uint32_t RandomState() { return g_state; }
