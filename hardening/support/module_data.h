// The writable data of a loaded module, saved once and put back at will: one
// load of the module then serves many runs, each starting from the module's
// state as loaded (all its variables at their initial values), without
// unloading it. The fuzzer needs this: its coverage counters live inside the
// module, so the module must stay mapped for the life of the process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hardening {

class ModuleData {
public:
    // `path`: the module's file; `handle`: its dlopen handle. Finds the
    // module's initialised and zero-filled data sections (not the sections
    // made read-only after relocation, nor the fuzzer's counters) and saves
    // their present contents.
    ModuleData(const std::string& path, void* handle);

    // Puts the saved contents back.
    void restore() const;
    // Bytes saved, over all sections.
    size_t size() const;
    // Names of the sections saved, for diagnostics.
    std::vector<std::string> section_names() const;

private:
    struct Section {
        std::string name;
        uint8_t* address;
        std::vector<uint8_t> saved;
    };
    std::vector<Section> sections_;
};

}  // namespace hardening
