// The Wine session's keeper: a Windows program that runs for the whole
// Windows test stage and holds Wine's boot event, signalled.
//
// Every program started from outside Wine first makes sure the prefix is
// booted: if the boot event does not exist it starts wineboot and waits for
// it to signal the event. Under the user-mode emulator that boot costs
// minutes (wineboot, services, device manager, desktop), and its desktop
// process dies there, so the wait often runs into Wine's five-minute limit;
// and since wineboot ends once it has booted, the event goes with it and the
// next program boots again. The tests' console programs need none of those
// system processes: with the keeper holding the event, each of them finds the
// boot done and starts at once. `wine-session start` runs the keeper (itself
// started with wineboot disabled) and waits for its "ready" line;
// `wine-session end` ends it with the session.
#include <windows.h>

#include <cstdio>

namespace {

struct NtName {
    USHORT length;
    USHORT maximum_length;
    const wchar_t* buffer;
};

struct NtAttributes {
    ULONG length;
    HANDLE root;
    NtName* name;
    ULONG attributes;
    void* security_descriptor;
    void* security_quality_of_service;
};

constexpr ULONG OPEN_IF = 0x80;            // open the object when it exists
constexpr int NOTIFICATION_EVENT = 0;      // manual reset: stays signalled
constexpr ACCESS_MASK ALL_ACCESS = 0x1f0003;

}  // namespace

extern "C" {
LONG NTAPI NtCreateEvent(HANDLE* event, ACCESS_MASK access, NtAttributes* attributes, int type, BOOLEAN initial);
LONG NTAPI NtSetEvent(HANDLE event, LONG* previous);
}

int main() {
    static const wchar_t path[] = L"\\KernelObjects\\__wineboot_event";
    NtName name = {USHORT(sizeof path - sizeof(wchar_t)), USHORT(sizeof path), path};
    NtAttributes attributes = {sizeof attributes, nullptr, &name, OPEN_IF, nullptr, nullptr};
    HANDLE event = nullptr;
    LONG status = NtCreateEvent(&event, ALL_ACCESS, &attributes, NOTIFICATION_EVENT, TRUE);
    if (status < 0) {
        std::printf("session keeper: cannot make the boot event (status %08lx)\n", static_cast<unsigned long>(status));
        return 1;
    }
    NtSetEvent(event, nullptr);
    std::printf("ready\n");
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
