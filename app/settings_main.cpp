// The velmora-settings program: the saver's settings dialog, which velmora runs as a process of
// its own (app/dialog_process.h) with the settings on standard input; the result and the
// settings go back on standard output. GTK's own output goes to standard error.
#include <unistd.h>

#include "app/dialog_process.h"
#include "app/settings_dialog_gtk.h"

int main() {
    const int answer = dup(STDOUT_FILENO);
    if (answer < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 1;
    return ServeDialog(ShowSettingsDialog, STDIN_FILENO, answer);
}
