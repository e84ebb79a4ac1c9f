#include "sim_process.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace simline {

SimProcess::SimProcess(const std::string& program, const std::vector<std::string>& arguments) {
    int out[2];
    if (pipe(out) != 0) return;
    std::vector<std::string> args{program, "--quiet"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    m_pid = fork();
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // no stray simulator when a test dies
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    if (m_pid < 0) {
        close(out[0]);
        return;
    }
    FILE* stream = fdopen(out[0], "r");
    char line[512];
    if (stream && std::fgets(line, sizeof line, stream)) {
        m_path = line;
        while (!m_path.empty() && (m_path.back() == '\n' || m_path.back() == '\r')) m_path.pop_back();
    }
    if (stream) std::fclose(stream);
}

SimProcess::~SimProcess() { stop(); }

int SimProcess::stop() {
    if (m_pid <= 0) return -1;
    kill(m_pid, SIGTERM);
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return status;
}

}  // namespace simline
