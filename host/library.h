// A loaded dynamic library: dlopen on Linux, LoadLibrary on Windows.
#pragma once

#include <string>

namespace panelhost {

class Library {
public:
    Library() = default;
    // Loads the library at `path`; throws HostError naming the file and the
    // loader's reason when it cannot. `global` makes its symbols available
    // to libraries loaded later (the stand-in sound library natively).
    explicit Library(const std::string& path, bool global = false);
    Library(Library&& other) noexcept;
    Library& operator=(Library&& other) noexcept;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library();

    // The named export, or null.
    void* find(const char* name) const;
    // The named export; throws HostError naming the file and the symbol.
    void* symbol(const char* name) const;
    // The platform's handle: the instance handle handed to the module.
    void* handle() const { return handle_; }
    const std::string& path() const { return path_; }
    bool loaded() const { return handle_ != nullptr; }

private:
    void close();
    void* handle_ = nullptr;
    std::string path_;
};

// The folder a file path lies in ("." for a bare name).
std::string folder_of(const std::string& path);

}  // namespace panelhost
