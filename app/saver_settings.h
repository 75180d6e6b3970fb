// The settings record that the dialog fills and every scene object reads once at start-up.
// Owns: the fields and their defaults. Does not: persist anything; every run starts from these.
#pragma once

#include <cstdint>

struct SaverSettings {
    // Seeds the random generator with timeGetTime, then sets every default below.
    SaverSettings();

    int32_t showFrameRate;      // 1: draw the frame-rate text
    int32_t night;              // 0 day, 1 night
    int32_t resolution;         // 1: 640x480, 2: 800x600, 3: 1024x768, other: as 1
    int32_t aspectMode;         // 1: 4:3, 2: 16:9, other: keep the last aspect
    int32_t skinnedModels;      // 1: actors drawn as skinned meshes, 0: as dummy models
    int32_t avoidObstacles;     // 1: the flock looks ahead for the obstacle sets
    int32_t loops;              // 1: periodic somersaults
    int32_t pillar01Enabled;    // first (heavy) pillar set
    int32_t pillar02Enabled;    // second pillar set
    int32_t pillar03Enabled;    // third pillar set
    int32_t userControl;        // 0 automatic flight, 1 the user steers the whale
    int32_t music;              // 1: background music
    int32_t birdCount;          // 5 to 100
    int32_t flockRadius;        // neighbour radius, world units
    int32_t speedPercent;       // flock speed 0.6 + 0.6 p/100, lead bird 0.4 + 0.4 p/100
    int32_t separationPercent;  // separation weight p/100
    int32_t alignmentPercent;   // alignment weight p/100
    int32_t cohesionPercent;    // cohesion weight p/100
    int32_t targetPercent;      // weight of the pull toward the leader p/100
    int32_t centerPercent;      // weight of the pull toward the flock's centre p/100
};

extern SaverSettings g_saverSettings;
