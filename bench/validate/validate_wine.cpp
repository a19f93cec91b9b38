// A Windows gauge file cannot be loaded by the native program: it is checked
// by the Windows build of the validator, run under Wine, which loads it the
// way the panel engine does (bitmaps from its resources, the Windows
// stand-in sound library beside the validator). The Windows validator and
// whatever Wine starts for it run in a process group of their own, which
// ends with this program however it ends: on a signal it can catch it ends
// the group itself; killed outright, the group's guard (a process of the
// group that waits on a pipe only this program holds open) ends it, and the
// validator's own process is told to die with its parent. Its output passes
// through this program, which holds it to a verdict: an end without one is a
// FAIL naming the last thing it printed.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "bench/validate/validate_checks.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace validate {

bool is_windows_binary(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    return in.read(magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

#if defined(_WIN32)
int run_under_wine(const Options&) { return 2; }
#else
namespace {

std::string absolute(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

// The Windows validator: named by PANELBENCH_WIN32_VALIDATOR, else in
// win32/ beside the gauge file (the layout of dist/), else in win32/ beside
// this program. Empty when there is none.
std::string find_windows_validator(const std::string& module_path) {
    if (const char* named = std::getenv("PANELBENCH_WIN32_VALIDATOR"); named && *named)
        return std::ifstream(named).good() ? named : "";
    for (const std::string& folder : {panelhost::folder_of(module_path), panelhost::program_folder()}) {
        std::string candidate = folder + "/win32/validate.exe";
        if (std::ifstream(candidate).good()) return candidate;
    }
    return "";
}

}  // namespace

namespace {

volatile sig_atomic_t child_group = 0;

// On a signal that ends this program, the validator's group goes first.
void end_group_and_die(int signal) {
    if (child_group > 0) kill(-child_group, SIGKILL);
    std::signal(signal, SIG_DFL);
    raise(signal);
}

// What the validator printed, passed through as it comes: whether it gave
// its verdict, and its last line.
struct Passed {
    std::string partial, last_line;
    bool verdict = false, started = false;
    void take(const char* chunk, size_t n) {
        fwrite(chunk, 1, n, stdout);
        fflush(stdout);
        partial.append(chunk, n);
        size_t end;
        while ((end = partial.find('\n')) != std::string::npos) {
            std::string line = partial.substr(0, end);
            partial.erase(0, end + 1);
            if (line.rfind("VALIDATION PASSED", 0) == 0 || line.rfind("VALIDATION FAILED", 0) == 0) verdict = true;
            if (line.rfind("validating ", 0) == 0) started = true;
            if (line.find_first_not_of(" \r") != std::string::npos) last_line = line;
        }
    }
};

// Reads what is there without waiting; false at the end of the output.
bool drain(int fd, Passed& passed) {
    char chunk[4096];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n > 0) {
            passed.take(chunk, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

std::string cut(const std::string& text, size_t limit = 80) {
    return text.size() <= limit ? text : text.substr(0, limit) + "...";
}

}  // namespace

int run_under_wine(const Options& options) {
    std::string validator = find_windows_validator(options.module_path);
    if (validator.empty()) {
        std::fprintf(stderr,
                     "validate: '%s' is a Windows gauge file; it is checked by the Windows validator under Wine, "
                     "but no win32/validate.exe was found beside the gauge file or this program, nor named by "
                     "PANELBENCH_WIN32_VALIDATOR (build the Windows side first)\n",
                     options.module_path.c_str());
        return 2;
    }
    const char* wine_env = std::getenv("PANELBENCH_WINE");
    std::string wine = wine_env && *wine_env ? wine_env : "wine";
    std::string module = "Z:" + absolute(options.module_path);
    std::string program = absolute(validator);
    std::string limit_option = "--time-limit", limit = std::to_string(options.call_limit_seconds);
    std::printf("running the Windows validator under Wine: %s %s %s\n", wine.c_str(), program.c_str(), module.c_str());
    std::fflush(stdout);

    // Wine's own chatter off, and no add-on installers when Wine makes its
    // prefix on first use; a prefix the caller chose (WINEPREFIX) is kept.
    setenv("WINEDEBUG", "-all", 0);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml,winemenubuilder.exe=", 0);
    std::vector<char*> argv = {wine.data(), program.data(), module.data(), limit_option.data(), limit.data(), nullptr};

    int output[2], lifeline[2], failed[2];
    if (pipe2(output, O_CLOEXEC) != 0 || pipe2(lifeline, O_CLOEXEC) != 0 || pipe2(failed, O_CLOEXEC) != 0) {
        std::fprintf(stderr, "validate: cannot make the pipes to the Windows validator: %s\n", std::strerror(errno));
        return 2;
    }
    std::fflush(nullptr);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        std::fprintf(stderr, "validate: cannot start the Windows validator: %s\n", std::strerror(errno));
        return 2;
    }
    if (child == 0) {
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        dup2(output[1], STDOUT_FILENO);
        execvp(wine.c_str(), argv.data());
        int error = errno;
        ssize_t ignored = write(failed[1], &error, sizeof error);
        (void)ignored;
        _exit(127);
    }
    setpgid(child, child);
    child_group = child;
    close(output[1]);
    close(failed[1]);
    int exec_error = 0;
    ssize_t got;
    while ((got = read(failed[0], &exec_error, sizeof exec_error)) < 0 && errno == EINTR) {
    }
    close(failed[0]);
    if (got > 0) {
        waitpid(child, nullptr, 0);
        std::fprintf(stderr, "validate: cannot run '%s' to check the Windows gauge file: %s\n", wine.c_str(),
                     std::strerror(exec_error));
        return 2;
    }

    // The group's guard: it holds no end of the lifeline's writing side, so
    // its read ends when this program does, however that happens.
    const pid_t guard = fork();
    if (guard == 0) {
        setpgid(0, child);
        close(lifeline[1]);
        close(output[0]);
        char byte;
        if (getppid() == parent)
            while (read(lifeline[0], &byte, 1) < 0 && errno == EINTR) {
            }
        kill(-child, SIGKILL);
        _exit(0);
    }
    close(lifeline[0]);
    struct sigaction ending {}, old_int {}, old_term {}, old_hup {};
    ending.sa_handler = end_group_and_die;
    sigemptyset(&ending.sa_mask);
    sigaction(SIGINT, &ending, &old_int);
    sigaction(SIGTERM, &ending, &old_term);
    sigaction(SIGHUP, &ending, &old_hup);

    // The output is read until the validator ends (not until the pipe
    // closes: a process Wine started may hold it open longer).
    fcntl(output[0], F_SETFL, fcntl(output[0], F_GETFL) | O_NONBLOCK);
    Passed passed;
    int status = 0;
    for (;;) {
        pollfd ready{output[0], POLLIN, 0};
        poll(&ready, 1, 100);
        bool open = drain(output[0], passed);
        pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) break;
        if (ended < 0 && errno != EINTR) {
            status = -1;
            break;
        }
        if (!open) {
            // Everything it printed is in; wait for its end.
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            break;
        }
    }
    drain(output[0], passed);
    close(output[0]);
    // None of the group outlives the validator: what Wine started for it
    // ends with it, and so does the guard (which joined no group if the
    // validator had already ended).
    kill(-child, SIGKILL);
    close(lifeline[1]);
    if (guard > 0) {
        kill(guard, SIGKILL);
        waitpid(guard, nullptr, 0);
    }
    child_group = 0;
    sigaction(SIGINT, &old_int, nullptr);
    sigaction(SIGTERM, &old_term, nullptr);
    sigaction(SIGHUP, &old_hup, nullptr);
    if (!passed.partial.empty()) passed.take("\n", 1);

    const bool exited = status >= 0 && WIFEXITED(status);
    const int code = exited ? WEXITSTATUS(status) : 1;
    if (passed.verdict) return code == 0 ? 0 : 1;
    // A refusal of its command line, with its reason on the error stream.
    if (exited && code == 2 && !passed.started) return 2;
    std::string how = exited                              ? "ended with status " + std::to_string(code)
                      : status >= 0 && WIFSIGNALED(status) ? "was killed by signal " + std::to_string(WTERMSIG(status))
                                                           : "was lost";
    std::printf("    FAIL (module) run: the Windows validator %s without a verdict; %s\n\n"
                "VALIDATION FAILED: the validator ended before its verdict\n",
                how.c_str(),
                passed.last_line.empty() ? "it printed nothing"
                                         : ("its last step: \"" + cut(passed.last_line) + "\"").c_str());
    std::fflush(stdout);
    return 1;
}
#endif

}  // namespace validate
