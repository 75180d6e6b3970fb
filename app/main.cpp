// The velmora program: the settings dialog (the velmora-settings program) at every start, then
// the saver when it was confirmed. The command line is not read.
#include <unistd.h>

#include <climits>
#include <string>

#include "app/dialog_process.h"
#include "app/globals.h"
#include "app/saver_run.h"
#include "app/settings_dialog.h"

int main() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string executable = length > 0 ? std::string(self, size_t(length)) : "velmora";
    const std::string dialog = DialogProgramBeside(executable, VELMORA_DIALOG_FOLDER);
    if (ShowDialogApart(dialog, &g_saverSettings) != kDialogStart)
        return 0;
    return Run();
}
