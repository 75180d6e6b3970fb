#include "app/dialog_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

struct DialogAnswer {
    int32_t result;
    SaverSettings settings;
};

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Bytes read before the end of the pipe, at most size.
size_t ReadAll(int fd, unsigned char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = read(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

}  // namespace

int ShowDialogApart(int (*show)(SaverSettings*), SaverSettings* settings) {
    int fds[2];
    if (pipe(fds) != 0)
        return show(settings);
    const pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        return show(settings);
    }
    if (child == 0) {
        close(fds[0]);
        DialogAnswer answer;
        answer.settings = *settings;
        answer.result = show(&answer.settings);
        const bool sent =
            WriteAll(fds[1], reinterpret_cast<const unsigned char*>(&answer), sizeof answer);
        // No destructors, no atexit handlers: they belong to the parent.
        _exit(sent ? 0 : 1);
    }
    close(fds[1]);
    DialogAnswer answer;
    const size_t got = ReadAll(fds[0], reinterpret_cast<unsigned char*>(&answer), sizeof answer);
    close(fds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (got != sizeof answer)
        return 0;
    *settings = answer.settings;
    return answer.result;
}
