// Small printing helpers shared by the velmora-tool commands.
#pragma once

#include <string>

#include "platform/system/d3dx_math.h"

// The shortest decimal text that reads back as exactly this float.
std::string FormatFloat(float value);
// "x y z" with FormatFloat.
std::string FormatVector(const D3DXVECTOR3& v);
// Reads a float argument whole; false (and a message on stderr) when it is not a number.
bool ParseFloatArgument(const char* text, float* value);
// Reads a whole-number argument in [lowest, highest]; false (and a message on stderr) otherwise.
bool ParseIntegerArgument(const char* text, long long lowest, long long highest, long long* value);
// Prints the trace lines gathered so far to stderr, indented as they were traced.
void PrintTrace();
