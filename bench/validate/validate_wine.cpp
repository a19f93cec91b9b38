// A Windows gauge file cannot be loaded by the native program: it is checked
// by the Windows build of the validator, run under Wine, which loads it the
// way the panel engine does (bitmaps from its resources, the Windows
// stand-in sound library beside the validator).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "bench/validate/validate_checks.h"

#if !defined(_WIN32)
#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
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
    for (const std::string& folder : {panelhost::folder_of(module_path), program_folder()}) {
        std::string candidate = folder + "/win32/validate.exe";
        if (std::ifstream(candidate).good()) return candidate;
    }
    return "";
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
    std::printf("running the Windows validator under Wine: %s %s %s\n", wine.c_str(), program.c_str(), module.c_str());
    std::fflush(stdout);

    // Wine's own chatter off, and no add-on installers when Wine makes its
    // prefix on first use; a prefix the caller chose (WINEPREFIX) is kept.
    setenv("WINEDEBUG", "-all", 0);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml,winemenubuilder.exe=", 0);
    std::vector<char*> argv = {wine.data(), program.data(), module.data(), nullptr};
    pid_t child;
    if (posix_spawnp(&child, wine.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "validate: cannot run '%s' to check the Windows gauge file\n", wine.c_str());
        return 2;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0)
        if (errno != EINTR) {
            std::fprintf(stderr, "validate: lost the Windows validator under Wine\n");
            return 2;
        }
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    std::fprintf(stderr, "validate: the Windows validator under Wine ended abnormally\n");
    return 1;
}
#endif

}  // namespace validate
