// The Windows bench draws no pictures: it runs scenarios (without their
// snapshots) and checks gauge files.
#include "bench/common/render.h"
#include "bench/common/script.h"

namespace bench {

static const char* const NO_PICTURES = "this build of panelbench draws no pictures; use the native one";

bool rendering_available() { return false; }
std::string font_description() { return "none"; }
Image render_gauge(const panelhost::Gauge&, int) { throw BenchError(NO_PICTURES); }
Image render_panel(const std::vector<PanelEntry>&, int) { throw BenchError(NO_PICTURES); }
Image render_window(const PanelConfig&, const std::vector<const panelhost::Gauge*>&, int) {
    throw BenchError(NO_PICTURES);
}
Image image_of(const panelhost::Bitmap&) { throw BenchError(NO_PICTURES); }
std::string encode_png(const Image&) { throw BenchError(NO_PICTURES); }
std::string readout_font_path() { return ""; }
std::string readout_fallback_font_path() { return ""; }
void write_png(const Image&, const std::string&) { throw BenchError(NO_PICTURES); }

}  // namespace bench
