// The settings dialog as a program of its own (velmora-settings), so that the saver carries none
// of the toolkit's libraries, fonts and heap: the saver sends its settings down the program's
// standard input and reads the result and the settings back from its standard output.
// Owns: the child and both pipes, gone when the call returns; the bytes that cross them.
// Does not: build the dialog (app/settings_dialog_gtk.h does).
#pragma once

#include <string>

#include "app/saver_settings.h"

// The dialog program's name, beside the saver in a build folder and in libexec/velmora/ once
// installed.
constexpr const char* kDialogProgramName = "velmora-settings";

// Where the dialog program of the saver at executable is: beside it when there (a build folder),
// else in installedFolder, relative to the executable's folder (an installation).
std::string DialogProgramBeside(const std::string& executable, const std::string& installedFolder);

// Runs the dialog program and returns its result, with *settings as it left them. A program that
// ends without a whole answer (it crashed, was killed, or could not be started) counts as a
// cancelled dialog: 0, *settings untouched; what went wrong is on standard error.
int ShowDialogApart(const std::string& program, SaverSettings* settings);

// The dialog program's side: reads the settings from in, runs show over them and writes the
// result and the settings to out. Returns the program's exit status: 0 answered, 1 the answer
// could not be written, 2 no settings came (a terminal, or not velmora's request).
int ServeDialog(int (*show)(SaverSettings*), int in, int out);
