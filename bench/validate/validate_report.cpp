// The validator's table and the fixed facts its checks compare against: the
// gauge table, the key-event catalogue and the bitmap sizes.
#include <cstdio>

#include "bench/validate/validate_checks.h"
#include "module/tokens.h"
#include "resources/bitmaps.h"

namespace validate {

namespace {
// A group that keeps failing on every record lists this many lines; the rest
// are counted.
constexpr size_t PROBLEM_CAP = 12;

}  // namespace

void Group::fail(const std::string& what) {
    if (problems.size() < PROBLEM_CAP)
        problems.push_back(what);
    else
        ++skipped;
}

Report::Report(const std::string& module_path) {
    std::printf("validating %s\n\n", module_path.c_str());
    std::printf("%-20s %-10s %s\n", "gauge", "check", "result");
    std::printf("%-20s %-10s %s\n", "--------------------", "----------", "------");
    std::fflush(stdout);
}

void Report::row(const Group& group) {
    ++rows_;
    if (group.passed() && !group.note.empty())
        std::printf("%-20s %-10s PASS  %s\n", group.gauge.c_str(), group.name.c_str(), group.note.c_str());
    else
        std::printf("%-20s %-10s %s\n", group.gauge.c_str(), group.name.c_str(), group.passed() ? "PASS" : "FAIL");
    if (!group.passed()) {
        ++failed_;
        for (const std::string& problem : group.problems)
            std::printf("    FAIL %s %s: %s\n", group.gauge.c_str(), group.name.c_str(), problem.c_str());
        if (group.skipped)
            std::printf("    FAIL %s %s: ... and %d more problems of this check\n", group.gauge.c_str(),
                        group.name.c_str(), group.skipped);
    }
    std::fflush(stdout);
}

int Report::finish() {
    std::printf("\n%d checks: %d passed, %d failed\n", rows_, rows_ - failed_, failed_);
    std::printf("%s\n", failed_ ? "VALIDATION FAILED" : "VALIDATION PASSED");
    std::fflush(stdout);
    verdict_given();
    return failed_ ? 1 : 0;
}

const std::vector<GaugeFacts>& gauge_facts() {
    static const std::vector<GaugeFacts> facts = {
        {.name = "altpreselector", .size_x_mm = 300, .face_id = BITMAP_PRESEL_FACE, .last_id = BITMAP_PRESEL_VS,
         .has_service = true, .lamps_two_valued = true},
        {.name = "vcaltpreselector", .size_x_mm = 300, .face_id = BITMAP_PRESEL_FACE, .last_id = BITMAP_PRESEL_VS,
         .has_service = true, .lamps_two_valued = true},
        {.name = "altpreselectornosnd", .size_x_mm = 300, .face_id = BITMAP_PRESEL_FACE, .last_id = BITMAP_PRESEL_VS,
         .has_service = true, .lamps_two_valued = true},
        {.name = "autopilot", .size_x_mm = 500, .face_id = BITMAP_AP_FACE, .last_id = BITMAP_AP_GPSS,
         .has_service = false, .lamps_two_valued = false},
        {.name = "annunciator", .size_x_mm = 300, .face_id = BITMAP_ANN_FACE, .last_id = BITMAP_ANN_SEL,
         .has_service = false, .lamps_two_valued = false},
    };
    return facts;
}

const GaugeFacts* facts_of(const std::string& name) {
    for (const GaugeFacts& facts : gauge_facts())
        if (name == facts.name) return &facts;
    return nullptr;
}

bool in_catalogue(uint32_t event) {
    for (const KEY_EVENT_ENTRY& known : MODULE_KEY_EVENTS)
        if (known.event == event) return true;
    return false;
}

std::string event_text(uint32_t event) {
    for (const KEY_EVENT_ENTRY& known : MODULE_KEY_EVENTS)
        if (known.event == event) return std::to_string(event) + " (" + known.name + ")";
    return std::to_string(event);
}

bool bitmap_size(int32_t id, int& width, int& height) {
    for (const BitmapSize& entry : MODULE_BITMAPS)
        if (entry.id == id) {
            width = entry.width;
            height = entry.height;
            return true;
        }
    return false;
}

}  // namespace validate
