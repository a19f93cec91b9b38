// The gauge file's own headers, checked from its bytes before any loader
// sees it: a loader tolerates much (a file cut short by a byte loads, its
// last section filled with zeros), and what it tolerates the panel engine's
// loader may not. A Windows gauge file is a 32-bit i386 DLL whose headers
// and sections lie inside the file, whose length is what its headers
// account for, and which exports ImportTable and Linkage.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bench/common/file_read.h"
#include "bench/validate/validate_checks.h"

namespace validate {

namespace {

constexpr uint16_t MACHINE_I386 = 0x14c;
constexpr uint16_t FILE_DLL = 0x2000;
constexpr uint16_t MAGIC_PE32 = 0x10b;
constexpr size_t FILE_HEADER = 20, SECTION_HEADER = 40, EXPORT_DIRECTORY = 40, PE32_FIXED = 96;
constexpr uint32_t MAX_SECTIONS = 96;

class Bytes {
public:
    explicit Bytes(const std::string& bytes) : data_(bytes) {}
    uint64_t size() const { return data_.size(); }
    bool has(uint64_t at, uint64_t count) const { return at <= size() && count <= size() - at; }
    uint16_t u16(uint64_t at) const { return has(at, 2) ? uint16_t(byte(at) | byte(at + 1) << 8) : 0; }
    uint32_t u32(uint64_t at) const {
        return has(at, 4) ? uint32_t(byte(at)) | uint32_t(byte(at + 1)) << 8 | uint32_t(byte(at + 2)) << 16 |
                                uint32_t(byte(at + 3)) << 24
                          : 0;
    }
    // The NUL-terminated text at `at`, at most `limit` bytes; false when no
    // NUL lies within the file and the limit.
    bool text(uint64_t at, size_t limit, std::string& out) const {
        out.clear();
        for (uint64_t i = at; i < size() && out.size() < limit; ++i) {
            if (!data_[size_t(i)]) return true;
            out += data_[size_t(i)];
        }
        return false;
    }

private:
    unsigned byte(uint64_t at) const { return static_cast<unsigned char>(data_[size_t(at)]); }
    const std::string& data_;
};

std::string hex(uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(value));
    return text;
}

struct Section {
    std::string name;
    uint32_t virtual_address, virtual_size, raw_size, raw_offset;
};

// The file offset of an image address, through the section holding it in
// its raw data; false for one that no section's bytes hold.
bool file_offset(const std::vector<Section>& sections, uint32_t header_size, uint32_t rva, uint64_t& at) {
    if (rva < header_size) {
        at = rva;
        return true;
    }
    for (const Section& s : sections)
        if (rva >= s.virtual_address && uint64_t(rva) - s.virtual_address < s.raw_size) {
            at = uint64_t(s.raw_offset) + (rva - s.virtual_address);
            return true;
        }
    return false;
}

// The exported names, or a problem.
std::string export_names(const Bytes& file, const std::vector<Section>& sections, uint32_t header_size,
                         uint32_t rva, uint32_t size, std::vector<std::string>& names) {
    if (!rva || !size) return "it exports nothing; a gauge file exports ImportTable and Linkage";
    uint64_t at = 0;
    if (!file_offset(sections, header_size, rva, at) || !file.has(at, EXPORT_DIRECTORY))
        return "its export directory (address " + hex(rva) + ") lies outside the file's sections";
    const uint32_t functions = file.u32(at + 20), count = file.u32(at + 24);
    const uint32_t names_rva = file.u32(at + 32), ordinals_rva = file.u32(at + 36);
    if (count > 65536 || count > functions) return "its export directory names " + std::to_string(count) +
                                                   " exports of " + std::to_string(functions) + " functions";
    uint64_t names_at = 0, ordinals_at = 0;
    if (count && (!file_offset(sections, header_size, names_rva, names_at) || !file.has(names_at, uint64_t(count) * 4) ||
                  !file_offset(sections, header_size, ordinals_rva, ordinals_at) ||
                  !file.has(ordinals_at, uint64_t(count) * 2)))
        return "its table of exported names lies outside the file's sections";
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t name_at = 0;
        std::string name;
        if (!file_offset(sections, header_size, file.u32(names_at + 4 * i), name_at) || !file.text(name_at, 256, name))
            return "exported name " + std::to_string(i + 1) + " lies outside the file's sections";
        if (file.u16(ordinals_at + 2 * i) >= functions)
            return "export \"" + name.substr(0, 80) + "\" names function " + std::to_string(file.u16(ordinals_at + 2 * i)) +
                   " of " + std::to_string(functions);
        names.push_back(name);
    }
    return "";
}

}  // namespace

std::vector<std::string> pe_problems(const std::string& bytes, std::string* summary) {
    const Bytes file(bytes);
    const std::string length = "the " + std::to_string(file.size()) + "-byte file";
    if (file.size() < 64 || bytes[0] != 'M' || bytes[1] != 'Z')
        return {"it does not begin with a DOS header (MZ); a gauge file is a Windows library"};
    const uint64_t pe = file.u32(0x3C);
    if (!file.has(pe, 4 + FILE_HEADER))
        return {"its PE header (at " + hex(pe) + ") lies past the end of " + length};
    if (std::memcmp(bytes.data() + pe, "PE\0\0", 4) != 0) return {"no PE signature at " + hex(pe)};

    std::vector<std::string> problems;
    const uint64_t header = pe + 4;
    const uint16_t machine = file.u16(header), section_count = file.u16(header + 2);
    const uint16_t optional_size = file.u16(header + 16), characteristics = file.u16(header + 18);
    if (machine != MACHINE_I386)
        problems.push_back("its machine is " + hex(machine) + "; a gauge file is built for i386 (0x14c)");
    if (!(characteristics & FILE_DLL)) problems.push_back("it is a program, not a library (DLL)");

    const uint64_t optional = header + FILE_HEADER;
    if (optional_size < PE32_FIXED || !file.has(optional, optional_size)) {
        problems.push_back("its optional header (" + std::to_string(optional_size) + " bytes at " + hex(optional) +
                           ") is shorter than a PE32 header's 96 bytes or lies past the end of " + length);
        return problems;
    }
    if (file.u16(optional) != MAGIC_PE32) {
        problems.push_back("its optional header is of kind " + hex(file.u16(optional)) + ", not PE32 (0x10b)");
        return problems;
    }
    const uint32_t header_size = file.u32(optional + 60), image_size = file.u32(optional + 56);
    const uint32_t directories = file.u32(optional + 92);
    auto directory = [&](uint32_t index, uint32_t& rva, uint32_t& size) {
        rva = size = 0;
        const uint64_t at = optional + PE32_FIXED + 8 * uint64_t(index);
        if (index >= directories || at + 8 > optional + optional_size) return;
        rva = file.u32(at);
        size = file.u32(at + 4);
    };

    const uint64_t table = optional + optional_size;
    if (section_count == 0 || section_count > MAX_SECTIONS) {
        problems.push_back("it has " + std::to_string(section_count) + " sections; a library has 1 to 96");
        return problems;
    }
    const uint64_t table_end = table + uint64_t(section_count) * SECTION_HEADER;
    if (!file.has(table, table_end - table)) {
        problems.push_back("its section table (" + std::to_string(section_count) + " sections at " + hex(table) +
                           ") runs past the end of " + length);
        return problems;
    }
    if (header_size < table_end || header_size > file.size())
        problems.push_back("its headers' size " + std::to_string(header_size) + " does not hold the section table (" +
                           std::to_string(table_end) + " bytes) inside " + length);

    // Where the file's bytes should end: past the headers, every section's
    // raw data, the symbol table and a signature, whichever is last.
    uint64_t end = std::min<uint64_t>(header_size, file.size());
    std::vector<Section> sections;
    for (uint32_t i = 0; i < section_count; ++i) {
        const uint64_t at = table + uint64_t(i) * SECTION_HEADER;
        Section s;
        size_t n = 0;
        while (n < 8 && bytes[size_t(at + n)]) ++n;
        for (size_t c = 0; c < n; ++c) {
            const char ch = bytes[size_t(at + c)];
            s.name += ch >= 0x20 && ch < 0x7F ? ch : '?';
        }
        s.virtual_size = file.u32(at + 8);
        s.virtual_address = file.u32(at + 12);
        s.raw_size = file.u32(at + 16);
        s.raw_offset = file.u32(at + 20);
        if (s.raw_size) {
            const uint64_t raw_end = uint64_t(s.raw_offset) + s.raw_size;
            if (raw_end > file.size())
                problems.push_back("section " + std::to_string(i + 1) + " (\"" + s.name + "\") has its data at " +
                                   hex(s.raw_offset) + ".." + hex(raw_end) + ", past the end of " + length);
            end = std::max(end, raw_end);
        }
        if (uint64_t(s.virtual_address) + std::max(s.virtual_size, s.raw_size) > image_size)
            problems.push_back("section " + std::to_string(i + 1) + " (\"" + s.name + "\") lies past the image's size " +
                               hex(image_size));
        sections.push_back(s);
    }
    if (const uint32_t symbols = file.u32(header + 8)) {
        const uint64_t strings = symbols + uint64_t(file.u32(header + 12)) * 18;
        end = std::max(end, strings + (file.has(strings, 4) ? std::max<uint32_t>(file.u32(strings), 4) : 0));
    }
    uint32_t signature_at = 0, signature_size = 0;
    directory(4, signature_at, signature_size);  // its address is a file offset
    if (signature_size) end = std::max(end, uint64_t(signature_at) + signature_size);
    if (end > file.size())
        problems.push_back("its headers account for " + std::to_string(end) + " bytes; the file is cut short at " +
                           std::to_string(file.size()));
    else if (end < file.size())
        problems.push_back("the file is " + std::to_string(file.size()) + " bytes, " + std::to_string(file.size() - end) +
                           " more than its headers account for (" + std::to_string(end) + ")");

    uint32_t export_rva = 0, export_size = 0;
    directory(0, export_rva, export_size);
    std::vector<std::string> names;
    if (std::string problem = export_names(file, sections, header_size, export_rva, export_size, names); !problem.empty())
        problems.push_back(problem);
    else
        for (const char* wanted : {"ImportTable", "Linkage"})
            if (std::find(names.begin(), names.end(), wanted) == names.end())
                problems.push_back(std::string("it does not export ") + wanted +
                                   "; a gauge file exports ImportTable and Linkage");
    if (summary)
        *summary = "PE32 i386 DLL of " + std::to_string(file.size()) + " bytes, " + std::to_string(section_count) +
                   " sections inside it, exports ImportTable and Linkage";
    return problems;
}

Group check_pe_file(const std::string& path) {
    Group group{"(module)", "file"};
    std::string bytes;
    try {
        bytes = bench::read_file_bounded(path, bench::PICTURE_FILE_CAP, "the gauge file");
    } catch (const bench::FileReadError& e) {
        group.fail(e.what());
        return group;
    }
    for (const std::string& problem : pe_problems(bytes, &group.note)) group.fail(problem);
    return group;
}

}  // namespace validate
