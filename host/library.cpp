#include "host/library.h"

#include "host/error.h"
#include "host/program_library.h"

#include <cstring>
#include <deque>

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#if !defined(__EMSCRIPTEN__)
#include <dlfcn.h>
#endif
#endif

namespace panelhost {

namespace {

struct StaticLibrary {
    std::string file_name;
    std::vector<StaticExport> exports;
    bool single_load;
    int loads = 0;
};

// The registered libraries; a deque, so that handles to them stay valid.
std::deque<StaticLibrary>& static_libraries() {
    static std::deque<StaticLibrary> libraries;
    return libraries;
}

std::string file_name_of(const std::string& path) {
    auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

StaticLibrary* find_static(const std::string& path) {
    const std::string name = file_name_of(path);
    for (StaticLibrary& library : static_libraries())
        if (library.file_name == name) return &library;
    return nullptr;
}

}  // namespace

void register_static_library(const std::string& file_name, std::vector<StaticExport> exports, bool single_load) {
    if (StaticLibrary* known = find_static(file_name)) {
        known->exports = std::move(exports);
        known->single_load = single_load;
        return;
    }
    static_libraries().push_back({file_name, std::move(exports), single_load});
}

void* find_static_export(void* handle, const char* name) {
    auto* library = static_cast<StaticLibrary*>(handle);
    for (const StaticExport& e : library->exports)
        if (std::strcmp(e.name, name) == 0) return e.address;
    return nullptr;
}

bool is_static_library(const std::string& path) { return find_static(path) != nullptr; }

void* open_static_library(const std::string& path) {
    StaticLibrary* library = find_static(path);
    if (!library) return nullptr;
    if (library->single_load && library->loads > 0)
        throw HostError("cannot load module file '" + path + "' again: it is linked into this program, whose " +
                        "data starts afresh only with the program itself");
    ++library->loads;
    return library;
}

#if defined(_WIN32)
static std::string last_error_text() {
    DWORD code = GetLastError();
    char text[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                   sizeof text, nullptr);
    std::string s(text);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s.empty() ? "error " + std::to_string(code) : s;
}
#endif

Library::Library(const std::string& path, bool global) : path_(path) {
    if ((handle_ = open_static_library(path))) {
        linked_in_ = true;
        return;
    }
#if defined(_WIN32)
    (void)global;
    handle_ = LoadLibraryA(path.c_str());
    if (!handle_) throw HostError("cannot load module file '" + path + "': " + last_error_text());
    try {
        answer_module_loads(handle_);
    } catch (...) {
        close();
        throw;
    }
#elif defined(__EMSCRIPTEN__)
    (void)global;
    throw HostError("cannot load module file '" + path + "': this build loads no files, and no library of that " +
                    "name is linked into it");
#else
    handle_ = dlopen(path.find('/') == std::string::npos ? ("./" + path).c_str() : path.c_str(),
                     RTLD_NOW | (global ? RTLD_GLOBAL : RTLD_LOCAL));
    if (!handle_) {
        const char* why = dlerror();
        throw HostError("cannot load module file '" + path + "': " + (why ? why : "unknown reason"));
    }
#endif
}

Library::Library(Library&& other) noexcept
    : handle_(other.handle_), path_(std::move(other.path_)), linked_in_(other.linked_in_) {
    other.handle_ = nullptr;
}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        linked_in_ = other.linked_in_;
        other.handle_ = nullptr;
    }
    return *this;
}

Library::~Library() { close(); }

void Library::close() {
    if (!handle_) return;
    if (linked_in_) {
        handle_ = nullptr;  // nothing to unload: it is part of the program
        return;
    }
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#elif !defined(__EMSCRIPTEN__)
    dlclose(handle_);
#endif
    handle_ = nullptr;
}

void* Library::find(const char* name) const {
    if (linked_in_) return find_static_export(handle_, name);
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#elif defined(__EMSCRIPTEN__)
    (void)name;
    return nullptr;
#else
    return dlsym(handle_, name);
#endif
}

void* Library::symbol(const char* name) const {
    void* found = find(name);
    if (!found) throw HostError("module file '" + path_ + "' does not export '" + name + "'");
    return found;
}

std::string folder_of(const std::string& path) {
    auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::string program_folder() {
#if defined(_WIN32)
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return folder_of(std::string(path, n));
#else
    char path[4096] = {};
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? folder_of(std::string(path, size_t(n))) : ".";
#endif
}

}  // namespace panelhost
