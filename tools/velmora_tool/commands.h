// The commands of velmora-tool, one file each; main.cpp dispatches on the first argument.
// Each takes the arguments after its name and returns the process exit code: 0 on success,
// 1 on a failure it has reported, 2 on bad usage.
#pragma once

int RunResourcesCommand(int argc, char** argv);
int RunPathCommand(int argc, char** argv);
int RunXCommand(int argc, char** argv);
int RunShadeCommand(int argc, char** argv);
int RunModelCommand(int argc, char** argv);
int RunRenderCommand(int argc, char** argv);
int RunSkinCommand(int argc, char** argv);
int RunFlockCommand(int argc, char** argv);
