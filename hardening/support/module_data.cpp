#include "hardening/support/module_data.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace hardening {

namespace {

// Copies without the sanitizer's range checks: the sections hold the
// redzones the address sanitizer keeps between globals, and a checked copy
// would report them. The volatile access keeps the compiler from turning the
// loop back into a (checked) memcpy call.
__attribute__((no_sanitize("address"))) void copy_raw(uint8_t* to, const uint8_t* from, size_t n) {
    volatile uint8_t* out = to;
    const volatile uint8_t* in = from;
    for (size_t i = 0; i < n; ++i) out[i] = in[i];
}

bool starts_with(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// The sections that hold the module's own variables.
bool is_state_section(const std::string& name) {
    if (starts_with(name, ".data.rel.ro")) return false;  // read-only after relocation
    return name == ".data" || name == ".bss" || starts_with(name, ".data.") || starts_with(name, ".bss.");
}

}  // namespace

ModuleData::ModuleData(const std::string& path, void* handle) {
    link_map* map = nullptr;
    if (dlinfo(handle, RTLD_DI_LINKMAP, &map) != 0 || !map)
        throw std::runtime_error("cannot find where '" + path + "' is loaded");

    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<uint8_t> file(in ? size_t(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(file.data()), std::streamsize(file.size()));
    if (file.size() < sizeof(Elf64_Ehdr) || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0 ||
        file[EI_CLASS] != ELFCLASS64)
        throw std::runtime_error("'" + path + "' is not a 64-bit ELF file");
    Elf64_Ehdr header;
    std::memcpy(&header, file.data(), sizeof header);
    auto section_at = [&](size_t index) {
        size_t at = header.e_shoff + index * header.e_shentsize;
        if (at + sizeof(Elf64_Shdr) > file.size()) throw std::runtime_error("'" + path + "': bad section table");
        Elf64_Shdr s;
        std::memcpy(&s, file.data() + at, sizeof s);
        return s;
    };
    Elf64_Shdr names = section_at(header.e_shstrndx);

    for (size_t i = 1; i < header.e_shnum; ++i) {
        Elf64_Shdr s = section_at(i);
        if (s.sh_name >= names.sh_size || names.sh_offset + s.sh_name >= file.size()) continue;
        std::string name(reinterpret_cast<const char*>(file.data() + names.sh_offset + s.sh_name));
        bool writable = (s.sh_flags & SHF_ALLOC) && (s.sh_flags & SHF_WRITE);
        bool kind = s.sh_type == SHT_PROGBITS || s.sh_type == SHT_NOBITS;
        if (!writable || !kind || s.sh_size == 0 || !is_state_section(name)) continue;
        Section section{name, reinterpret_cast<uint8_t*>(map->l_addr + s.sh_addr), std::vector<uint8_t>(s.sh_size)};
        copy_raw(section.saved.data(), section.address, section.saved.size());
        sections_.push_back(std::move(section));
    }
    if (sections_.empty()) throw std::runtime_error("'" + path + "' has no data sections");
}

void ModuleData::restore() const {
    for (const Section& s : sections_) copy_raw(s.address, s.saved.data(), s.saved.size());
}

size_t ModuleData::size() const {
    size_t n = 0;
    for (const Section& s : sections_) n += s.saved.size();
    return n;
}

std::vector<std::string> ModuleData::section_names() const {
    std::vector<std::string> out;
    for (const Section& s : sections_) out.push_back(s.name);
    return out;
}

}  // namespace hardening
