// A stand-in for velmora-settings in the dialog process tests. VELMORA_TEST_DIALOG picks what it
// does: "night" confirms night with 100 birds, "crash" dies by SIGKILL once it has the settings,
// "exit" ends without answering, "short" answers with half an answer.
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "app/dialog_process.h"

namespace {

const char* Behaviour() {
    const char* behaviour = std::getenv("VELMORA_TEST_DIALOG");
    return behaviour != nullptr ? behaviour : "";
}

int Show(SaverSettings* settings) {
    if (std::strcmp(Behaviour(), "crash") == 0)
        std::raise(SIGKILL);
    if (std::strcmp(Behaviour(), "exit") == 0)
        _exit(0);
    settings->night = 1;
    settings->birdCount = 100;
    return 1;
}

}  // namespace

int main() {
    if (std::strcmp(Behaviour(), "short") == 0) {
        char request[16];
        (void)!read(STDIN_FILENO, request, sizeof request);
        (void)!write(STDOUT_FILENO, "VSDA", 4);
        return 0;
    }
    return ServeDialog(Show, STDIN_FILENO, STDOUT_FILENO);
}
