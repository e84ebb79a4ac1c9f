#include "bounded_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>

namespace faults {

BoundedRun runBounded(const std::vector<std::string>& argv, const std::string& folder,
                      const RunLimits& limits) {
    using Clock = std::chrono::steady_clock;
    BoundedRun run;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return run;
    std::vector<std::string> args = argv;
    std::vector<char*> pointers;
    for (auto& a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);

    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], STDOUT_FILENO);
        dup2(out[1], STDERR_FILENO);
        if (chdir(folder.c_str()) != 0) _exit(126);
        for (const auto& [name, value] : limits.environment) setenv(name.c_str(), value.c_str(), 1);
        if (limits.fileSizeBytes >= 0) {
            // Ignored, the signal stays ignored across exec: writes past the limit fail instead of killing.
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(limits.fileSizeBytes),
                               static_cast<rlim_t>(limits.fileSizeBytes)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    close(out[1]);
    if (pid < 0) {
        close(out[0]);
        return run;
    }
    const auto deadline = start + std::chrono::duration<double>(limits.boundSeconds);
    char buffer[4096];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            run.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd pfd{out[0], POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left)) <= 0) continue;
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;  // the program and all it started closed the pipe
        run.output.append(buffer, static_cast<size_t>(n));
    }
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!run.timedOut && WIFEXITED(status)) run.status = WEXITSTATUS(status);
    return run;
}

std::string testName(const char* rowName) {
    std::string name;
    for (const char* c = rowName; *c; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

}  // namespace faults
