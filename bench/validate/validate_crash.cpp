// The crash guard: a module that crashes under the validator must still
// leave a clear line behind. Before each call into the module the drive names
// what it is about to run; if the call faults, the handler prints a FAIL line
// with that name and ends the process with status 1. A watchdog thread does
// the same for a call that does not return within the time limit, and an exit
// hook for a module that ends the process itself before the verdict.
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/validate/validate_checks.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <pthread.h>
#include <csignal>
#include <ctime>
#include <unistd.h>
#endif

namespace validate {

namespace {
char context[512];
// The last call named, kept after it returned: the step an exit without a
// verdict came after.
char last_step[512];
// Changes whenever a call is named or cleared, so that the watchdog sees a
// call that stays the same for longer than the limit.
std::atomic<unsigned> generation{0};
std::atomic<bool> verdict_pending{false};
unsigned limit_seconds = DEFAULT_CALL_LIMIT_SECONDS;

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

// "    FAIL CONTEXT: PROBLEM\n\nVALIDATION FAILED: SUMMARY; the checks after
// this one did not run". Built without formatting calls: this runs inside a
// fault handler, or beside a thread stopped anywhere in the module.
void report_end(const char* where, const char* problem, const char* summary) {
    verdict_pending = false;
    static char line[1400];
    line[0] = 0;
    append(line, sizeof line, "    FAIL ");
    append(line, sizeof line, where);
    append(line, sizeof line, ": ");
    append(line, sizeof line, problem);
    append(line, sizeof line, "\n\nVALIDATION FAILED: ");
    append(line, sizeof line, summary);
    append(line, sizeof line, "; the checks after this one did not run\n");
    write_out(line);
}

void report_crash(const char* what) {
    static char problem[128];
    problem[0] = 0;
    append(problem, sizeof problem, "the module crashed (");
    append(problem, sizeof problem, what);
    append(problem, sizeof problem, ")");
    report_end(context[0] ? context : "(module) run: outside any call into the module", problem, "the module crashed");
}

// Ends the process at once: no library's detach code runs, the module's
// least of all, since it may be what is stuck.
[[noreturn]] void end_now() {
#if defined(_WIN32)
    TerminateProcess(GetCurrentProcess(), 1);
#endif
    _exit(1);
}

// The exit hook: a process that ends while the report still waits for its
// verdict was ended by the module (exit from a callback, say).
void on_exit_without_verdict() {
    if (!verdict_pending) return;
    report_end(context[0] ? context : last_step[0] ? last_step : "(module) run",
               "the module ended the process during this call, before the validator's verdict",
               "the module ended the process");
    end_now();
}

#if defined(_WIN32)
unsigned long long now_ms() { return GetTickCount(); }
void nap() { Sleep(50); }
#else
unsigned long long now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (unsigned long long)t.tv_sec * 1000 + (unsigned long long)t.tv_nsec / 1000000;
}
void nap() { usleep(50 * 1000); }
#endif

// Watches the named call: one that stays named past the limit has not
// returned, and the validation ends with a FAIL naming it.
void watch() {
    unsigned seen = generation.load();
    unsigned long long since = now_ms();
    for (;;) {
        nap();
        unsigned now = generation.load(std::memory_order_acquire);
        if (now != seen) {
            seen = now;
            since = now_ms();
            continue;
        }
        if (!context[0] || now_ms() - since < limit_seconds * 1000ull) continue;
        if (generation.load(std::memory_order_acquire) != seen) continue;
        static char problem[128];
        problem[0] = 0;
        char seconds[16];
        unsigned n = limit_seconds, at = sizeof seconds - 1;
        seconds[at] = 0;
        do seconds[--at] = char('0' + n % 10); while ((n /= 10) && at);
        append(problem, sizeof problem, "the call did not return within ");
        append(problem, sizeof problem, seconds + at);
        append(problem, sizeof problem, " s (the time limit of each call into the module)");
        report_end(context, problem, "a call into the module did not return");
        end_now();
    }
}

#if defined(_WIN32)
DWORD WINAPI watch_thread(LPVOID started) {
    SetEvent(static_cast<HANDLE>(started));
    watch();
    return 0;
}

void start_watchdog() {
    // Running before the module is loaded: a thread started later would wait
    // for the loader, which a looping library entry holds.
    HANDLE started = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, watch_thread, started, 0, nullptr);
    if (thread) {
        WaitForSingleObject(started, INFINITE);
        CloseHandle(thread);
    }
    CloseHandle(started);
}
#else
void* watch_thread(void*) {
    watch();
    return nullptr;
}

void start_watchdog() {
    pthread_t thread;
    if (pthread_create(&thread, nullptr, watch_thread, nullptr) == 0) pthread_detach(thread);
}
#endif

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

void install_crash_guard(unsigned call_limit_seconds) {
    limit_seconds = call_limit_seconds;
    verdict_pending = true;
    std::atexit(on_exit_without_verdict);
    start_watchdog();
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
    std::memcpy(last_step, context, sizeof last_step);
    generation.fetch_add(1, std::memory_order_release);
}

void clear_crash_context() {
    context[0] = 0;
    generation.fetch_add(1, std::memory_order_release);
}

void verdict_given() { verdict_pending = false; }

}  // namespace validate
