// The asset generator's writers, one per group of files; main.cpp calls them in turn.
// Owns: nothing but these declarations. Each writer builds its files deterministically and
// hands them to WriteAsset (asset_output.h); failures are counted there.
// Does not: parse anything back; tests/tools/assets_test.cpp compares the output with
// resources/ byte for byte.
#pragma once

#include <string>

// Static models under MODEL: pillars, obstacles, the dammy bird and whale, DACHURA01.X.
// With report set, prints each model's meshes, triangles and bounds to stdout.
void WriteStaticModels(const std::string& outDir, bool report);
// BPS and TPS lists and the circuit under MISC.
void WritePlacements(const std::string& outDir, bool report);
// The two toon ramp bitmaps under RCDATA.
void WriteRamps(const std::string& outDir);
// The saver's icon under RCDATA.
void WriteIcon(const std::string& outDir);
// The background track BGM1.WAV and the unused BGM1.MID under MIDI.
void WriteSound(const std::string& outDir);
void WriteMidi(const std::string& outDir);
// The skinned birds, the whale and DAMMY.X under MODEL (tools/assetgen/skinned_models.cpp).
void WriteSkinnedModels(const std::string& outDir);
