// The velmora program: the settings dialog at every start, then the saver when it was
// confirmed. The command line is not read.
#include "app/dialog_process.h"
#include "app/globals.h"
#include "app/saver_run.h"
#include "app/settings_dialog_gtk.h"

int main() {
    if (ShowDialogApart(ShowSettingsDialog, &g_saverSettings) != kDialogStart)
        return 0;
    return Run();
}
