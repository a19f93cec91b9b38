// The validator as a program of its own: `validate MODULE_FILE [...]`. The
// Windows build of it is what checks a gauge file under Wine.
#include <string>
#include <vector>

#include "bench/validate/validate.h"

#if defined(_WIN32)
#include <windows.h>

// Any process the module starts is in a job that ends with this program:
// the job's one handle closes when the program ends, however it ends.
static void end_children_with_this_program() {
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (!job) return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) ||
        !AssignProcessToJobObject(job, GetCurrentProcess()))
        CloseHandle(job);
}
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
    end_children_with_this_program();
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return bench_validate(args);
}
