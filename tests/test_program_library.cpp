// A library the program carries (Windows): a module's own loads of its name
// are answered with the program, by file name in any case and folder, and
// every other load goes on to the loader. The probe library stands for the
// module; the name answered is one no other test uses, so the gauge file's
// own load of its sound library is left as it is.
#if defined(_WIN32)
#include <windows.h>

#include "host/library.h"
#include "host/program_library.h"
#include "tests/support.h"

namespace {

std::string probe_path() {
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return panelhost::folder_of(std::string(path, n)) + "/load_probe.dll";
}

}  // namespace

TEST_CASE("a module's own loads of a library the program carries are answered with the program") {
    panelhost::answer_loads_with_program("Answered_Probe.DLL");
    panelhost::Library probe(probe_path());
    auto load_a = reinterpret_cast<void* (*)(const char*)>(probe.symbol("probe_load_a"));
    auto load_w = reinterpret_cast<void* (*)(const wchar_t*)>(probe.symbol("probe_load_w"));
    auto load_ex_a = reinterpret_cast<void* (*)(const char*)>(probe.symbol("probe_load_ex_a"));
    auto load_ex_w = reinterpret_cast<void* (*)(const wchar_t*)>(probe.symbol("probe_load_ex_w"));
    void* const program = GetModuleHandleA(nullptr);

    SUBCASE("by its file name, in any case and any folder, .dll implied") {
        for (const char* name : {"answered_probe.dll", "ANSWERED_PROBE.DLL", "answered_probe",
                                 "C:\\nowhere\\Answered_Probe.dll", "Z:/nowhere/answered_probe.dll"}) {
            CAPTURE(name);
            CHECK(load_a(name) == program);
            CHECK(load_ex_a(name) == program);
        }
        CHECK(load_w(L"C:\\nowhere\\ANSWERED_probe.dll") == program);
        CHECK(load_ex_w(L"answered_probe") == program);
    }
    SUBCASE("another name goes on to the loader") {
        CHECK(load_a("kernel32.dll") == GetModuleHandleA("kernel32.dll"));
        CHECK(load_w(L"kernel32.dll") == GetModuleHandleA("kernel32.dll"));
        for (const char* name : {"answered_probe.dll.bak", "answered_probe.", "answered_probe2.dll", "probe.dll"}) {
            CAPTURE(name);
            CHECK(load_a(name) == nullptr);
        }
        CHECK(load_w(L"answered_probe\u00e9.dll") == nullptr);
    }
    SUBCASE("the program's own loads are the loader's") {
        CHECK(LoadLibraryA("answered_probe.dll") == nullptr);
    }
}
#endif
