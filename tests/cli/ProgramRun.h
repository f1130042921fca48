#pragma once
// Runs the real program as a child process, as a user or a script would:
// without a display, optionally with a file-size cap or a terminal for stdout.

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

struct ProgramOutcome {
    int status = -1;  // the exit code, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

struct ProgramSetup {
    std::string workDir;                // empty: ours
    std::optional<rlim_t> fileSizeCap;  // as a full disk: writes past it fail
    bool terminal = false;              // stdout on a pseudo-terminal
    std::string locale = "C.UTF-8";     // the system's language, as LANG gives it
    std::vector<std::string> env;       // more NAME=VALUE entries
};

class ChildProgram {
public:
    ChildProgram(const std::vector<std::string>& argv, const ProgramSetup& setup = {})
    {
        // No display of any kind: the command line must not need one.
        std::vector<std::string> env;
        // setup.env's entries take the place of those of the same name.
        const auto overridden = [&](const std::string& entry) {
            for (const std::string& mine : setup.env)
                if (entry.compare(0, mine.find('=') + 1, mine, 0, mine.find('=') + 1) == 0)
                    return true;
            return false;
        };
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (!entry.starts_with("DISPLAY=") && !entry.starts_with("WAYLAND_DISPLAY=") &&
                !entry.starts_with("QT_QPA_PLATFORM=") && !entry.starts_with("LANG") && !entry.starts_with("LC_") &&
                !overridden(entry))
                env.push_back(entry);
        }
        env.push_back("LANG=" + setup.locale);
        env.insert(env.end(), setup.env.begin(), setup.env.end());
        std::vector<char*> envp, args;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        std::vector<std::string> argStore = argv;
        for (auto& a : argStore)
            args.push_back(a.data());
        args.push_back(nullptr);

        int out[2], err[2];
        if (setup.terminal) {
            if (::openpty(&out[0], &out[1], nullptr, nullptr, nullptr) != 0)
                throw std::runtime_error("openpty failed");
            ::fcntl(out[0], F_SETFD, FD_CLOEXEC);
            ::fcntl(out[1], F_SETFD, FD_CLOEXEC);
        } else if (::pipe2(out, O_CLOEXEC) != 0) {
            throw std::runtime_error("pipe failed");
        }
        if (::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls between fork and exec.
            if (!setup.workDir.empty() && ::chdir(setup.workDir.c_str()) != 0)
                ::_exit(126);
            if (setup.fileSizeCap) {
                // As a shell leaves it: the program must handle it itself.
                ::signal(SIGXFSZ, SIG_DFL);
                rlimit cap{*setup.fileSizeCap, *setup.fileSizeCap};
                ::setrlimit(RLIMIT_FSIZE, &cap);
            }
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            const int null = ::open("/dev/null", O_RDONLY);
            ::dup2(null, STDIN_FILENO);
            ::execve(args[0], args.data(), envp.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        outFd_ = out[0];
        errFd_ = err[0];
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
    }
    ~ChildProgram()
    {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    pid_t pid() const { return pid_; }

    // Reads everything the program writes and waits for its end.
    ProgramOutcome wait()
    {
        ProgramOutcome outcome;
        pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
        std::string* sinks[2] = {&outcome.out, &outcome.err};
        int open = 2;
        while (open > 0) {
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0)
                    continue;
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    // A terminal reports EIO once the child has closed it.
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return outcome;
    }

private:
    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    bool reaped_ = false;
};

inline ProgramOutcome runProgram(const std::vector<std::string>& argv, const ProgramSetup& setup = {})
{
    return ChildProgram(argv, setup).wait();
}
