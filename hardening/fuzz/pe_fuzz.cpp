// Fuzzing of the validator's own checks of a gauge file's headers: whatever
// bytes a file holds, the checks read nothing outside them (the sanitizers
// see any read past the copy), every problem is one line, and a file they
// pass is what they promise: a DOS header, a PE header inside the file, the
// i386 machine and a library.
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/validate/validate_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly `size` bytes, so that any read past them is reported.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string summary;
    const std::vector<std::string> problems = validate::pe_problems(bytes, &summary);
    for (const std::string& problem : problems)
        if (problem.empty() || problem.find('\n') != std::string::npos || problem.size() > 300) std::abort();
    if (!problems.empty()) return 0;
    if (size < 64 || bytes[0] != 'M' || bytes[1] != 'Z') std::abort();
    uint32_t pe = 0;
    std::memcpy(&pe, bytes.data() + 0x3C, 4);
    if (uint64_t(pe) + 24 > size || std::memcmp(bytes.data() + pe, "PE\0\0", 4) != 0) std::abort();
    uint16_t machine = 0, characteristics = 0;
    std::memcpy(&machine, bytes.data() + pe + 4, 2);
    std::memcpy(&characteristics, bytes.data() + pe + 22, 2);
    if (machine != 0x14c || !(characteristics & 0x2000)) std::abort();
    if (summary.find(std::to_string(size) + " bytes") == std::string::npos) std::abort();
    return 0;
}
