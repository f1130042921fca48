#include "platform/Process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace hotaru {

namespace {

constexpr int PollMs = 100;
// A program asked to end gets this long to do so before it is killed.
constexpr int GracefulEndChecks = 20;
constexpr auto GracefulEndCheckEvery = std::chrono::milliseconds(50);

// A descriptor that becomes readable when the child ends, where the kernel has one.
int openPidFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

bool reap(pid_t pid, int options, int& status)
{
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, options);
        if (r == pid)
            return true;
        if (r < 0 && errno == EINTR)
            continue;
        return false;
    }
}

void endChild(pid_t pid, int& status)
{
    ::kill(pid, SIGTERM);
    for (int i = 0; i < GracefulEndChecks; ++i) {
        if (reap(pid, WNOHANG, status))
            return;
        std::this_thread::sleep_for(GracefulEndCheckEvery);
    }
    ::kill(pid, SIGKILL);
    reap(pid, 0, status);
}

}  // namespace

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
                      const std::function<bool()>& stopRequested, const std::string& outputFile)
{
    ProgramRun run;
    std::vector<std::string> argvStore{program};
    argvStore.insert(argvStore.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argvStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!outputFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    }
    if (!workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    // The program inherits the caller's scheduling: callers that lowered
    // themselves start it from a thread that did not.
    pid_t pid = -1;
    const int err = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0)
        return run;

    // glibc's posix_spawn reports a failed exec as its own error above.
    int status = 0;
    run.started = true;
    const int pidfd = openPidFd(pid);
    for (;;) {
        if (stopRequested && stopRequested()) {
            endChild(pid, status);
            run.stopped = true;
            break;
        }
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            ::poll(&p, 1, PollMs);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(PollMs / 2));
        }
        if (reap(pid, WNOHANG, status))
            break;
    }
    if (pidfd >= 0)
        ::close(pidfd);
    if (!run.stopped && WIFEXITED(status)) {
        run.exitedNormally = true;
        run.exitCode = WEXITSTATUS(status);
    }
    return run;
}

}  // namespace hotaru
