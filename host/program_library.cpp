#include "host/program_library.h"

#include "host/error.h"

#include <type_traits>
#include <vector>

#if defined(_WIN32)
#include <windows.h>

#include <cstdint>
#include <cstring>
#endif

namespace panelhost {

namespace {

// Answered file names, lower case, with their extension.
std::vector<std::string>& answered() {
    static std::vector<std::string> names;
    return names;
}

// The file name a library name gives, as the loader reads it: the part after
// the last separator, in lower case, ".dll" added when it has no extension
// and a trailing dot taken off. Empty for a name of characters beyond ASCII,
// which no answered name has.
template <typename Char>
std::string file_name_of(const Char* name) {
    std::string file;
    for (const Char* c = name; *c; ++c) {
        const auto code = static_cast<std::make_unsigned_t<Char>>(*c);
        if (code > 0x7f) return "";
        const char ascii = char(code);
        if (ascii == '/' || ascii == '\\' || ascii == ':') {
            file.clear();
            continue;
        }
        file += ascii >= 'A' && ascii <= 'Z' ? char(ascii - 'A' + 'a') : ascii;
    }
    if (!file.empty() && file.back() == '.')
        file.pop_back();
    else if (file.find('.') == std::string::npos)
        file += ".dll";
    return file;
}

template <typename Char>
bool is_answered(const Char* name) {
    if (!name) return false;
    const std::string file = file_name_of(name);
    for (const std::string& known : answered())
        if (file == known) return true;
    return false;
}

}  // namespace

void answer_loads_with_program(const std::string& file_name) {
    const std::string file = file_name_of(file_name.c_str());
    for (const std::string& known : answered())
        if (known == file) return;
    answered().push_back(file);
}

#if defined(_WIN32)

namespace {

HMODULE program() { return GetModuleHandleA(nullptr); }

// The module's calls land here; every other load goes on to the loader.
HMODULE WINAPI load_a(LPCSTR name) { return is_answered(name) ? program() : LoadLibraryA(name); }
HMODULE WINAPI load_w(LPCWSTR name) { return is_answered(name) ? program() : LoadLibraryW(name); }
HMODULE WINAPI load_ex_a(LPCSTR name, HANDLE file, DWORD flags) {
    return is_answered(name) ? program() : LoadLibraryExA(name, file, flags);
}
HMODULE WINAPI load_ex_w(LPCWSTR name, HANDLE file, DWORD flags) {
    return is_answered(name) ? program() : LoadLibraryExW(name, file, flags);
}

void* answer_for(const char* imported) {
    if (std::strcmp(imported, "LoadLibraryA") == 0) return reinterpret_cast<void*>(&load_a);
    if (std::strcmp(imported, "LoadLibraryW") == 0) return reinterpret_cast<void*>(&load_w);
    if (std::strcmp(imported, "LoadLibraryExA") == 0) return reinterpret_cast<void*>(&load_ex_a);
    if (std::strcmp(imported, "LoadLibraryExW") == 0) return reinterpret_cast<void*>(&load_ex_w);
    return nullptr;
}

// Writes one import slot, which the loader may have left read-only.
void write_slot(ULONG_PTR* slot, void* value) {
    DWORD was = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &was))
        throw HostError("cannot answer the module's library loads: its import slots cannot be written");
    *slot = reinterpret_cast<ULONG_PTR>(value);
    VirtualProtect(slot, sizeof *slot, was, &was);
}

}  // namespace

void answer_module_loads(void* module) {
    if (answered().empty() || !module) return;
    auto* base = static_cast<unsigned char*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return;
    // Each imported library's names (the lookup table) beside its slots
    // (the address table the loader filled), entry for entry.
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name; ++library) {
        if (library->OriginalFirstThunk == 0) continue;  // no names kept: a bound table, which this build has not
        const auto* name = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; name->u1.AddressOfData; ++name, ++slot) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            const auto* by_name = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + name->u1.AddressOfData);
            if (void* answer = answer_for(reinterpret_cast<const char*>(by_name->Name)))
                write_slot(reinterpret_cast<ULONG_PTR*>(&slot->u1.Function), answer);
        }
    }
}

#else

void answer_module_loads(void*) {}

#endif

}  // namespace panelhost
