#pragma once

#include <stdexcept>

namespace panelhost {

// Every failure the host reports: a missing or unloadable file, a missing
// export, an unknown gauge, a missing bitmap, a misuse of the host.
struct HostError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

}  // namespace panelhost
