#include "app/dialog_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// What crosses the pipes. The size field refuses a program built with other settings.
constexpr uint32_t kRequestMagic = 0x56534452;  // "VSDR"
constexpr uint32_t kAnswerMagic = 0x56534441;   // "VSDA"

struct DialogRequest {
    uint32_t magic;
    uint32_t size;
    SaverSettings settings;
};

struct DialogAnswer {
    uint32_t magic;
    uint32_t size;
    int32_t result;
    SaverSettings settings;
};

bool WriteAll(int fd, const void* bytes, size_t size) {
    const unsigned char* data = static_cast<const unsigned char*>(bytes);
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
size_t ReadAll(int fd, void* bytes, size_t size) {
    unsigned char* data = static_cast<unsigned char*>(bytes);
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

// Sends the request; a program that is already gone is a failed write, not a SIGPIPE.
bool SendRequest(int fd, const DialogRequest& request) {
    struct sigaction ignore = {}, previous = {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    const bool sent = WriteAll(fd, &request, sizeof request);
    sigaction(SIGPIPE, &previous, nullptr);
    return sent;
}

}  // namespace

std::string DialogProgramBeside(const std::string& executable, const std::string& installedFolder) {
    const size_t slash = executable.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : executable.substr(0, slash);
    const std::string beside = folder + '/' + kDialogProgramName;
    if (access(beside.c_str(), X_OK) == 0)
        return beside;
    return folder + '/' + installedFolder + '/' + kDialogProgramName;
}

int ShowDialogApart(const std::string& program, SaverSettings* settings) {
    if (access(program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "velmora: cannot run the settings dialog %s: %s\n", program.c_str(),
                     std::strerror(errno));
        return 0;
    }
    // Both pipes close on exec; the child's copies on its standard input and output stay open.
    int request[2] = {-1, -1};
    int answer[2] = {-1, -1};
    auto fail = [&](const char* what) {
        std::fprintf(stderr, "velmora: %s the settings dialog: %s\n", what, std::strerror(errno));
        for (const int fd : {request[0], request[1], answer[0], answer[1]})
            if (fd >= 0)
                close(fd);
        return 0;
    };
    if (pipe2(request, O_CLOEXEC) != 0 || pipe2(answer, O_CLOEXEC) != 0)
        return fail("no pipe for");
    const std::string failure = "velmora: cannot start the settings dialog " + program + "\n";
    const pid_t child = fork();
    if (child < 0)
        return fail("cannot start");
    if (child == 0) {
        if (dup2(request[0], STDIN_FILENO) >= 0 && dup2(answer[1], STDOUT_FILENO) >= 0)
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        WriteAll(STDERR_FILENO, failure.data(), failure.size());
        _exit(127);
    }
    close(request[0]);
    close(answer[1]);
    const DialogRequest sent = {kRequestMagic, sizeof(SaverSettings), *settings};
    const bool delivered = SendRequest(request[1], sent);
    close(request[1]);
    DialogAnswer reply = {};
    const size_t got = delivered ? ReadAll(answer[0], &reply, sizeof reply) : 0;
    close(answer[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (got != sizeof reply || reply.magic != kAnswerMagic || reply.size != sizeof(SaverSettings)) {
        if (WIFSIGNALED(status))
            std::fprintf(stderr, "velmora: the settings dialog ended by signal %d\n",
                         WTERMSIG(status));
        return 0;
    }
    *settings = reply.settings;
    return reply.result;
}

int ServeDialog(int (*show)(SaverSettings*), int in, int out) {
    DialogRequest request = {};
    if (isatty(in) || ReadAll(in, &request, sizeof request) != sizeof request ||
        request.magic != kRequestMagic || request.size != sizeof(SaverSettings)) {
        std::fprintf(stderr, "%s: no settings on standard input: velmora runs this dialog\n",
                     kDialogProgramName);
        return 2;
    }
    DialogAnswer reply = {kAnswerMagic, sizeof(SaverSettings), 0, request.settings};
    reply.result = show(&reply.settings);
    return WriteAll(out, &reply, sizeof reply) ? 0 : 1;
}
