// The settings dialog in a child process, so that the saver which follows carries none of the
// toolkit's libraries, fonts and heap: the child shows the dialog and sends its result and the
// settings back through a pipe, then exits.
// Owns: the child and the pipe, both gone when the call returns.
// Does not: build the dialog (app/settings_dialog_gtk.h does).
#pragma once

#include "app/saver_settings.h"

// Runs show(settings) in a child process and returns its result, with *settings as the child
// left them. A child that ends without a whole answer (it crashed, or was killed) counts as a
// cancelled dialog: 0, *settings untouched. Where no child can be started, show runs here.
int ShowDialogApart(int (*show)(SaverSettings*), SaverSettings* settings);
