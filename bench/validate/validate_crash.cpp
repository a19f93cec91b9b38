// The crash guard: a module that crashes under the validator must still
// leave a clear line behind. Before each call into the module the drive names
// what it is about to run; if the call faults, the handler prints a FAIL line
// with that name and ends the process with status 1.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "bench/validate/validate_checks.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace validate {

namespace {
char context[512];

void write_out(const char* text) {
#if defined(_WIN32)
    DWORD written;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, DWORD(std::strlen(text)), &written, nullptr);
#else
    ssize_t ignored = write(STDOUT_FILENO, text, std::strlen(text));
    (void)ignored;
#endif
}

// Appends `text` to `line`, keeping it inside `size` bytes.
void append(char* line, size_t size, const char* text) {
    size_t at = std::strlen(line);
    while (*text && at + 1 < size) line[at++] = *text++;
    line[at] = 0;
}

void report_crash(const char* what) {
    // Built without formatting calls: this runs inside a fault handler.
    static char line[1024];
    line[0] = 0;
    append(line, sizeof line, "    FAIL ");
    append(line, sizeof line, context[0] ? context : "(module) run: outside any call into the module");
    append(line, sizeof line, ": the module crashed (");
    append(line, sizeof line, what);
    append(line, sizeof line, ")\n\nVALIDATION FAILED: the module crashed; the checks after this one did not run\n");
    write_out(line);
}

#if defined(_WIN32)
LONG WINAPI on_fault(EXCEPTION_POINTERS* info) {
    const char* what = "exception";
    switch (info->ExceptionRecord->ExceptionCode) {
        case EXCEPTION_ACCESS_VIOLATION: what = "access violation"; break;
        case EXCEPTION_INT_DIVIDE_BY_ZERO: what = "integer division by zero"; break;
        case EXCEPTION_ILLEGAL_INSTRUCTION: what = "illegal instruction"; break;
        case EXCEPTION_STACK_OVERFLOW: what = "stack overflow"; break;
        default: break;
    }
    report_crash(what);
    ExitProcess(1);
    return EXCEPTION_EXECUTE_HANDLER;
}
#else
void on_fault(int signal) {
    const char* what = signal == SIGSEGV ? "SIGSEGV"
                       : signal == SIGBUS ? "SIGBUS"
                       : signal == SIGFPE ? "SIGFPE"
                       : signal == SIGILL ? "SIGILL"
                                          : "SIGABRT";
    report_crash(what);
    _exit(1);
}
#endif
}  // namespace

void install_crash_guard() {
#if defined(_WIN32)
    SetUnhandledExceptionFilter(on_fault);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
#else
    static char alternate_stack[64 * 1024];
    stack_t stack{};
    stack.ss_sp = alternate_stack;
    stack.ss_size = sizeof alternate_stack;
    sigaltstack(&stack, nullptr);
    struct sigaction action {};
    action.sa_handler = on_fault;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) sigaction(signal, &action, nullptr);
#endif
}

void crash_context(const char* gauge, const char* group, const char* what_format, ...) {
    int n = std::snprintf(context, sizeof context, "%s %s: ", gauge, group);
    if (n < 0 || size_t(n) >= sizeof context) return;
    va_list args;
    va_start(args, what_format);
    std::vsnprintf(context + n, sizeof context - size_t(n), what_format, args);
    va_end(args);
}

void clear_crash_context() { context[0] = 0; }

}  // namespace validate
