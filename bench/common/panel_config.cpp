// The default panel; the reader of configuration files comes with `--panel`.
#include "bench/common/panel_config.h"

#include <algorithm>
#include <cctype>

#include "bench/common/catalogue.h"

namespace bench {

bool PanelPlacement::ours() const {
    std::string lower(file);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower == "vmq_tavok22ap" && face_of(gauge) != nullptr;
}

PanelConfig parse_panel_config(std::string_view, const std::string& file_name) {
    throw PanelConfigError(file_name + ": panel configurations cannot be read yet");
}

PanelConfig read_panel_config(const std::string& path) {
    throw PanelConfigError(path + ": panel configurations cannot be read yet");
}

PanelConfig default_panel() {
    struct Size {
        const char* gauge;
        int width, height;
    };
    // The faces' own sizes, in the module's gauge-table order.
    const Size sizes[] = {{"altpreselector", 213, 100},
                          {"vcaltpreselector", 213, 100},
                          {"altpreselectornosnd", 213, 100},
                          {"autopilot", 500, 119},
                          {"annunciator", 208, 98}};
    constexpr int GAP = 10;
    PanelConfig config{.source = "(all five gauges)", .section = "Window00"};
    int x = GAP;
    for (const Size& s : sizes) {
        config.gauges.push_back(
            {.file = "vmq_Tavok22ap", .gauge = s.gauge, .x = x, .y = GAP, .width = s.width, .height = s.height});
        x += s.width + GAP;
        config.height = std::max(config.height, s.height + 2 * GAP);
    }
    config.width = x;
    return config;
}

}  // namespace bench
