// A loaded dynamic library: dlopen on Linux, LoadLibrary on Windows; or a
// library linked into the program itself, found by its file name among the
// static libraries the program registered (the WebAssembly build, which
// loads nothing at run time, links the module and the stand-in sound
// library in that way).
#pragma once

#include <string>
#include <vector>

namespace panelhost {

// One export of a library linked into the program.
struct StaticExport {
    const char* name;
    void* address;
};

// Registers a library linked into the program under a file name
// ("vmq_Tavok22ap.so"): a later Library of any path with that file name
// takes these exports instead of loading a file. A library whose data can
// only start afresh with the program (`single_load`) is refused a second
// load, rather than handed over in the state its first user left it.
void register_static_library(const std::string& file_name, std::vector<StaticExport> exports,
                             bool single_load = false);
// The handle of the library registered under `path`'s file name, counted as
// a load, or null when none is (HostError for a refused second load); and
// an export of such a handle by name, or null. Library uses both; so does a
// program whose linked-in code looks libraries up itself.
void* open_static_library(const std::string& path);
void* find_static_export(void* handle, const char* name);
// Whether a library is registered under `path`'s file name.
bool is_static_library(const std::string& path);

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
    // Linked into the program rather than loaded from a file.
    bool linked_in() const { return linked_in_; }

private:
    void close();
    void* handle_ = nullptr;
    std::string path_;
    bool linked_in_ = false;
};

// The folder a file path lies in ("." for a bare name).
std::string folder_of(const std::string& path);

// The folder of the running program ("." where it cannot be told).
std::string program_folder();

}  // namespace panelhost
