// Trap calls: the host fills every PANELS word but the nine services with a
// trap, and a module that calls one fails validation, naming the word and
// what made the call.
#include "bench/validate/validate_checks.h"

namespace validate {

size_t report_traps(panelhost::Host& host, Group& group, std::set<std::string>* seen, const std::string& key) {
    std::vector<panelhost::TrapCall> traps = host.take_traps();
    for (const panelhost::TrapCall& trap : traps) {
        if (seen && !seen->insert("trap " + std::to_string(trap.word) + " " + key).second) continue;
        group.fail(trap.text() + "; the module calls no PANELS word but its nine services (24-29, 31, 36, 40)");
    }
    return traps.size();
}

}  // namespace validate
