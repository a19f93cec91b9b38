// Fuzzing of the writer of gauge lines into panel configurations: for any
// file, window, gauge, place and line, placing a gauge, moving the gauge on
// a line, adding one or taking one out either gives back a file the reader
// accepts, with the gauge where it was placed and every other line as it
// was (one line changed, added or taken out), or refuses the input: a
// malformed file naming the file and a line of it, a missing window naming
// the file, an unknown gauge, a place out of range or a line that is not
// one of this module's gauges as invalid input. The changed lines between
// the two files are then listed without fault.
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "bench/common/catalogue.h"
#include "bench/common/panel_config.h"
#include "bench/common/panel_writer.h"
#include "hardening/support/module_gauges.h"

namespace {

std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0;;) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return lines;
        start = end + 1;
    }
}

int16_t take16(const uint8_t*& data, size_t& size) {
    if (size < 2) return 0;
    int16_t value;
    std::memcpy(&value, data, 2);
    data += 2;
    size -= 2;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    hardening::read_module_gauges("panel_writer_fuzz", FUZZ_DEFAULT_MODULE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first bytes choose the window, the edit and its line, the gauge
    // and the place; the rest is the file.
    if (size < 1) return 0;
    // Windows 0 to 2, or the first virtual cockpit.
    const int window = data[0] % 4 == 3 ? bench::VCOCKPIT_ID + 1 : data[0] % 4;
    enum Edit { PLACE, MOVE, ADD, REMOVE };
    const Edit edit = Edit(data[0] / 4 % 4);
    const int chosen_line = 1 + data[0] / 16;  // the line a move or a removal names: 1 to 16
    const uint8_t which = size > 1 ? data[1] : 0;
    data += std::min<size_t>(size, 2);
    size -= std::min<size_t>(size, 2);
    bench::GaugePlace place;
    const std::vector<std::string>& names = bench::gauge_names();
    const bool unknown = which >= 250;
    place.gauge = unknown ? "nosuchgauge" : names[which % names.size()];
    if (which % 2) place.gauge[0] = char(std::toupper(static_cast<unsigned char>(place.gauge[0])));
    place.x = take16(data, size);
    place.y = take16(data, size);
    place.width = take16(data, size);
    place.height = take16(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t lines = 1;
    for (char c : text) lines += c == '\n';
    try {
        bench::PlacedText placed;
        switch (edit) {
        case PLACE: placed = bench::place_gauge(text, "fuzz.cfg", window, place); break;
        case MOVE: placed = bench::move_gauge(text, "fuzz.cfg", window, chosen_line, place); break;
        case ADD: placed = bench::add_gauge(text, "fuzz.cfg", window, place); break;
        case REMOVE: placed = bench::remove_gauge(text, "fuzz.cfg", window, chosen_line); break;
        }
        const bench::PanelConfig read = bench::parse_panel_config(placed.text, "fuzz.cfg", window);
        (void)read;
        (void)bench::gauge_line_changes(text, placed.text, "fuzz.cfg");
        const std::vector<std::string_view> before = lines_of(text), after = lines_of(placed.text);
        const size_t changed = size_t(placed.line - 1);
        if (edit == REMOVE) {
            if (after.size() + 1 != before.size()) std::abort();
            for (size_t i = 0, j = 0; i < after.size(); ++i, ++j) {
                if (j == changed) ++j;
                // A last line without a line end taken out: the line before it gives up its own.
                std::string_view a = after[i], b = before[j];
                if (a != b && !(i + 1 == after.size() && b.size() == a.size() + 1 && b.back() == '\r' &&
                                b.substr(0, a.size()) == a))
                    std::abort();
            }
        } else if (placed.added) {
            if (after.size() != before.size() + 1) std::abort();
            for (size_t i = 0, j = 0; i < after.size(); ++i) {
                if (i == changed) continue;
                // The line before an addition at a file's unterminated end gains only a line end.
                std::string_view a = after[i], b = before[j++];
                if (a != b && !(a.size() == b.size() + 1 && a.back() == '\r' && a.substr(0, b.size()) == b)) std::abort();
            }
        } else {
            if (after.size() != before.size()) std::abort();
            for (size_t i = 0; i < after.size(); ++i)
                if (i != changed && after[i] != before[i]) std::abort();
        }
    } catch (const bench::PanelConfigError& e) {
        // "fuzz.cfg:LINE: what", LINE one of the file's lines, or "fuzz.cfg: there is no [WindowNN] ...".
        std::string_view what = e.what();
        if (what.substr(0, 9) == "fuzz.cfg:" && what.substr(9, 14) == " there is no [") return 0;
        if (what.substr(0, 9) != "fuzz.cfg:") std::abort();
        const size_t colon = what.find(": ", 9);
        if (colon == std::string_view::npos || colon == 9) std::abort();
        const std::string number(what.substr(9, colon - 9));
        char* end = nullptr;
        const unsigned long line = std::strtoul(number.c_str(), &end, 10);
        if (*end || line < 1 || line > lines) std::abort();
    } catch (const std::invalid_argument&) {
        const bool bad_place = place.x < -bench::PANEL_MAX_UNITS || place.y < -bench::PANEL_MAX_UNITS ||
                               place.width < 0 || place.height < 0 ||
                               place.x > bench::PANEL_MAX_UNITS || place.y > bench::PANEL_MAX_UNITS ||
                               place.width > bench::PANEL_MAX_UNITS || place.height > bench::PANEL_MAX_UNITS;
        // A move or a removal is also refused for a line that is not one of our gauges.
        if (!bad_place && !unknown && edit != MOVE && edit != REMOVE) std::abort();
    }
    return 0;
}
