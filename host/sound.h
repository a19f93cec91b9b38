// The host's hold on the stand-in sound library: installs it before the
// module so that the module's own load of the library finds it, and reads
// what the module asked of it.
#pragma once

#include <string>
#include <vector>

#include "host/library.h"
#include "soundlib/standin.h"

namespace panelhost {

class SoundLibrary {
public:
    // Installs the stand-in at `path`; throws HostError if it cannot.
    void install(const std::string& path);
    bool installed() const { return library_.loaded(); }

    // Every load and play the module made, in order (empty when none is installed).
    std::vector<standin_call> calls() const;
    size_t call_count() const;  // calls().size(), without copying them
    int plays() const;   // play calls
    int loads() const;   // load calls
    // The next load or play returns `result`.
    void queue(int32_t op, int32_t result);
    void reset();

private:
    Library library_;
    STANDIN_RESET reset_ = nullptr;
    STANDIN_QUEUE queue_ = nullptr;
    STANDIN_COUNT count_ = nullptr;
    STANDIN_GET get_ = nullptr;
};

}  // namespace panelhost
