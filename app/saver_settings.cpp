#include "app/saver_settings.h"

#include "platform/system/lcg_random.h"
#include "platform/system/system_clock.h"

SaverSettings::SaverSettings() {
    RandomSeed(timeGetTime());
    showFrameRate = 1;
    night = 0;
    resolution = 3;
    aspectMode = 1;
    skinnedModels = 1;
    avoidObstacles = 0;
    loops = 1;
    pillar01Enabled = 1;
    pillar02Enabled = 1;
    pillar03Enabled = 1;
    userControl = 0;
    music = 0;
    birdCount = 50;
    flockRadius = 400;
    speedPercent = 200;
    separationPercent = 100;
    alignmentPercent = 25;
    cohesionPercent = 100;
    targetPercent = 100;
    centerPercent = 100;
}
