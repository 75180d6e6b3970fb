// The commands of velmora-tool, one file each; main.cpp dispatches on the first argument.
// Each takes the arguments after its name and returns the process exit code: 0 on success,
// 1 on a failure it has reported, 2 on bad usage. Each also prints its usage on request
// (`velmora-tool COMMAND --help`, to stdout) and on bad usage (to stderr).
#pragma once

#include <cstdio>

int RunResourcesCommand(int argc, char** argv);
int RunPathCommand(int argc, char** argv);
int RunXCommand(int argc, char** argv);
int RunShadeCommand(int argc, char** argv);
int RunModelCommand(int argc, char** argv);
int RunRenderCommand(int argc, char** argv);
int RunSkinCommand(int argc, char** argv);
int RunFlockCommand(int argc, char** argv);

void PrintResourcesUsage(std::FILE* out);
void PrintPathUsage(std::FILE* out);
void PrintXUsage(std::FILE* out);
void PrintShadeUsage(std::FILE* out);
void PrintModelUsage(std::FILE* out);
void PrintRenderUsage(std::FILE* out);
void PrintSkinUsage(std::FILE* out);
void PrintFlockUsage(std::FILE* out);
