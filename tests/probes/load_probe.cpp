// A library that loads libraries by name through the loader's four load
// functions, as a module does its sound library: for the test of the host's
// answer to a module's own loads (host/program_library.h).
#include <windows.h>

extern "C" __declspec(dllexport) void* probe_load_a(const char* name) { return LoadLibraryA(name); }
extern "C" __declspec(dllexport) void* probe_load_w(const wchar_t* name) { return LoadLibraryW(name); }
extern "C" __declspec(dllexport) void* probe_load_ex_a(const char* name) { return LoadLibraryExA(name, nullptr, 0); }
extern "C" __declspec(dllexport) void* probe_load_ex_w(const wchar_t* name) {
    return LoadLibraryExW(name, nullptr, 0);
}
