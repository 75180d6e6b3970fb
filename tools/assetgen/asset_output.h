// Where the asset generator puts its files: OUTDIR/<TYPE>/<NAME>, byte for byte.
// Owns: the file writing and the count of failed writes that decides the exit status.
// Does not: build any content; each writer hands its finished bytes here.
#pragma once

#include <string>

// Writes bytes to outDir/type/name, creating the folders. On failure prints the path and the
// reason to stderr, counts the failure and returns false.
bool WriteAsset(const std::string& outDir, const std::string& type, const std::string& name,
                const std::string& bytes);
// Number of failed writes so far in this process.
int AssetWriteFailures();
