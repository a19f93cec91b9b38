#include "host/library.h"

#include "host/error.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace panelhost {

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
#if defined(_WIN32)
    (void)global;
    handle_ = LoadLibraryA(path.c_str());
    if (!handle_) throw HostError("cannot load module file '" + path + "': " + last_error_text());
#else
    handle_ = dlopen(path.find('/') == std::string::npos ? ("./" + path).c_str() : path.c_str(),
                     RTLD_NOW | (global ? RTLD_GLOBAL : RTLD_LOCAL));
    if (!handle_) {
        const char* why = dlerror();
        throw HostError("cannot load module file '" + path + "': " + (why ? why : "unknown reason"));
    }
#endif
}

Library::Library(Library&& other) noexcept : handle_(other.handle_), path_(std::move(other.path_)) {
    other.handle_ = nullptr;
}

Library& Library::operator=(Library&& other) noexcept {
    if (this != &other) {
        close();
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        other.handle_ = nullptr;
    }
    return *this;
}

Library::~Library() { close(); }

void Library::close() {
    if (!handle_) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
    handle_ = nullptr;
}

void* Library::find(const char* name) const {
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
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

}  // namespace panelhost
