// The record walks: linkage, gauge table, headers, element trees, failure
// lists and mouse lists, each against the rules the panel engine relies on.
#include <cstring>
#include <map>
#include <set>

#include "bench/validate/validate_checks.h"

namespace validate {

namespace {

// A walk gives up after this many entries of a list that never ends.
constexpr size_t WALK_LIMIT = 64;

std::string hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

template <size_t N>
bool all_zero(const uint32_t (&words)[N]) {
    for (uint32_t word : words)
        if (word) return false;
    return true;
}

const char* kind_name(uint32_t kind) {
    switch (kind) {
        case ELEMENT_TYPE_STATIC_IMAGE: return "static image";
        case ELEMENT_TYPE_STRING: return "string";
        case ELEMENT_TYPE_ICON: return "icon";
        default: return "element";
    }
}

// "child 3 (icon, bitmap 4102, at 93,28)"
std::string describe(size_t index, const ELEMENT_HEADER* element) {
    std::string text = "child " + std::to_string(index + 1) + " (" + kind_name(element->element_type);
    if (element->element_type != ELEMENT_TYPE_STRING) text += ", bitmap " + std::to_string(element->resource_id);
    return text + ", at " + std::to_string(element->position_x) + "," + std::to_string(element->position_y) + ")";
}

// "mouse record 3 (child at 26,77 44x18)"
std::string describe(size_t index, const MOUSERECT* area) {
    static const char* const kinds[] = {"end of list", "begin parent", "child", "end parent"};
    std::string kind = area->kind < 4 ? kinds[area->kind] : "kind " + std::to_string(area->kind);
    std::string text = "mouse record " + std::to_string(index + 1) + " (" + kind;
    if (area->kind == MOUSE_KIND_CHILD)
        text += " at " + std::to_string(area->x) + "," + std::to_string(area->y) + " " + std::to_string(area->width) +
                "x" + std::to_string(area->height);
    return text + ")";
}

bool face_size(const GaugeFacts& facts, int& width, int& height) { return bitmap_size(facts.face_id, width, height); }

void check_failure_list(Group& group, const FAILURE_RECORD* list) {
    static const FAILURE_RECORD expected[] = MODULE_FAILURE_LIST;
    for (size_t i = 0; i < 3; ++i) {
        const FAILURE_RECORD& got = list[i];
        const FAILURE_RECORD& want = expected[i];
        if (got.condition != want.condition || got.action != want.action || got.reserved_2 != 0)
            group.fail("failure list record " + std::to_string(i + 1) + " is " + std::to_string(got.condition) + "/" +
                       std::to_string(got.action) + "/" + std::to_string(got.reserved_2) + "; the list must be 20/3, 21/3, then the all-zero end record");
    }
}

void check_icon(Group& group, const std::string& who, const ELEMENT_ICON* icon, const GaugeFacts& facts) {
    int32_t id = icon->header.resource_id;
    int w, h;
    if (id < facts.face_id || id > facts.last_id || id == facts.face_id || !bitmap_size(id, w, h))
        group.fail(who + ": bitmap " + std::to_string(id) + " is not one of the gauge's legend bitmaps (" +
                   std::to_string(facts.face_id + 1) + " to " + std::to_string(facts.last_id) + ")");
    if (icon->header.draw_flags != DRAW_FLAGS_ICON)
        group.fail(who + ": draw flags " + hex(icon->header.draw_flags) + "; every icon has 0x7");
    if (icon->image_count != 1)
        group.fail(who + ": image count " + std::to_string(icon->image_count) + "; every icon has exactly 1 image");
    if (icon->source.id == 0) group.fail(who + ": source variable has token 0; every icon names its token");
    if (!all_zero(icon->source.reserved_1_2) || icon->source.value != 0.0 || icon->source.reserved_5_6 != 0.0)
        group.fail(who + ": source variable carries data besides its token; the host fills the value");
    if (!all_zero(icon->reserved_22_27) || !all_zero(icon->reserved_29_32) || icon->reserved_34)
        group.fail(who + ": a word that must be 0 is not");
    if (!icon->callback) group.fail(who + ": callback is null; every icon names its callback");
}

void check_string(Group& group, const std::string& who, const ELEMENT_STRING* string, int face_w, int face_h) {
    if (string->header.resource_id != RESOURCE_ID_NONE)
        group.fail(who + ": bitmap id " + std::to_string(string->header.resource_id) + "; strings draw no bitmap (-1)");
    if (string->header.draw_flags != DRAW_FLAGS_STRING)
        group.fail(who + ": draw flags " + hex(string->header.draw_flags) + "; every string has 0x8006");
    if (string->source[0].id == 0) group.fail(who + ": first source variable has token 0; it names the read-out's token");
    if (string->source[1].id != 0 || string->source[2].id != 0)
        group.fail(who + ": second or third source variable has a token; both are unused (token 0)");
    for (const MODULE_VAR& source : string->source)
        if (!all_zero(source.reserved_1_2) || source.value != 0.0 || source.reserved_5_6 != 0.0)
            group.fail(who + ": a source variable carries data besides its token; the host fills the value");
    if (string->text) group.fail(who + ": text buffer word is set in the data; the host places the buffer");
    if (string->box_width == 0 || string->box_height == 0)
        group.fail(who + ": text box " + std::to_string(string->box_width) + "x" + std::to_string(string->box_height) +
                   " is empty");
    else if (face_w && (string->header.position_x + int64_t(string->box_width) > face_w ||
                        string->header.position_y + int64_t(string->box_height) > face_h))
        group.fail(who + ": text box " + std::to_string(string->box_width) + "x" + std::to_string(string->box_height) +
                   " reaches outside the " + std::to_string(face_w) + "x" + std::to_string(face_h) + " face");

    const STRING_STYLE& got = string->style;
    const STRING_STYLE& want = MODULE_STRING_STYLE;
    if (got.text_colour != want.text_colour || got.background_colour != want.background_colour ||
        got.highlight_colour != want.highlight_colour)
        group.fail(who + ": colours " + hex(got.text_colour) + "/" + hex(got.background_colour) + "/" +
                   hex(got.highlight_colour) + "; every string has text 0x80808, background 0x66B4CF, highlight 0x80808");
    if (std::memcmp(got.font_name, want.font_name, sizeof got.font_name) != 0)
        group.fail(who + ": font name \"" + std::string(got.font_name, strnlen(got.font_name, sizeof got.font_name)) +
                   "\"; every string has \"GLASS GAUGE\", NUL-padded to 32 bytes");
    if (got.font_weight != want.font_weight || got.charset != want.charset || got.placement_flags != want.placement_flags)
        group.fail(who + ": font weight/character set/placement " + std::to_string(got.font_weight) + "/" +
                   std::to_string(got.charset) + "/" + hex(got.placement_flags) + "; every string has 400/1/0x25");
    if (!all_zero(got.reserved_3_9)) group.fail(who + ": a word of the text style that must be 0 is not");
    if (string->char_count < 1 || string->char_count >= MODULE_TEXT_BUFFER_SIZE)
        group.fail(who + ": character count " + std::to_string(string->char_count) + "; a read-out has 1 to 31 characters");
    if (!all_zero(string->reserved_36_45) || string->reserved_47 || !all_zero(string->reserved_50_51) ||
        !all_zero(string->reserved_74_77) || !all_zero(string->reserved_79_80))
        group.fail(who + ": a word that must be 0 is not");
    if (!string->callback) group.fail(who + ": callback is null; every string names its callback");
}

}  // namespace

std::vector<ELEMENT_HEADER*> children_of(const GAUGEHDR* header, bool* terminated) {
    std::vector<ELEMENT_HEADER*> out;
    if (terminated) *terminated = false;
    if (!header->element_list || !header->element_list[0]) return out;
    ELEMENT_HEADER** next = header->element_list[0]->next_element;
    if (!next) {
        if (terminated) *terminated = true;
        return out;
    }
    for (size_t i = 0; i < WALK_LIMIT; ++i) {
        if (!next[i]) {
            if (terminated) *terminated = true;
            return out;
        }
        out.push_back(next[i]);
    }
    return out;
}

std::vector<MOUSERECT*> child_areas(const GAUGEHDR* header) {
    std::vector<MOUSERECT*> out;
    if (!header->mouse_rect) return out;
    for (size_t i = 0; i < WALK_LIMIT; ++i) {
        MOUSERECT* area = &header->mouse_rect[i];
        if (area->kind == MOUSE_KIND_END) return out;
        if (area->kind == MOUSE_KIND_CHILD) out.push_back(area);
    }
    return {};
}

Group check_linkage(panelhost::Host& host) {
    Group group{"(module)", "linkage"};
    const IMPORT_TABLE* imports = host.import_table();
    if (imports->panels.id != IMPORT_ID_PANELS)
        group.fail("ImportTable entry 1 has identifier " + hex(imports->panels.id) + "; it must be 0xF (the PANELS table)");
    if (imports->panels.table != panelhost::Host::panels())
        group.fail("ImportTable entry 1 does not hold the PANELS address the host wrote there");
    if (imports->end.id != IMPORT_ID_END || imports->end.table)
        group.fail("ImportTable entry 2 is not the end entry (identifier 0, null)");

    const LINKAGE* linkage = host.linkage();
    if (linkage->module_id != 0x13)
        group.fail("Linkage module identifier " + hex(linkage->module_id) + "; it must be 0x13");
    if (!linkage->module_init || !linkage->module_deinit)
        group.fail("Linkage start or stop routine is null; both are named");
    if (linkage->flags != 0 || linkage->priority != 0)
        group.fail("Linkage flags/priority " + std::to_string(linkage->flags) + "/" + std::to_string(linkage->priority) +
                   "; both must be 0");
    if (linkage->version != 0x0800)
        group.fail("Linkage module version " + hex(linkage->version) + "; it must be 0x800");

    // Start and stop may be called any number of times, in any state.
    crash_context("(module)", "linkage", "calling the start and stop routines again");
    for (int i = 0; i < 3; ++i) {
        host.stop();
        host.start();
    }
    clear_crash_context();
    report_traps(host, group);
    if (!host.events().empty()) group.fail("the start or stop routine sent a key event");
    host.clear_logs();
    return group;
}

Group check_gauge_table(panelhost::Host& host) {
    Group group{"(module)", "gauges"};
    const LINKAGE* linkage = host.linkage();
    const auto& facts = gauge_facts();
    std::set<const GAUGEHDR*> seen;
    for (size_t i = 0; i < facts.size(); ++i) {
        const GAUGEHDR* header = linkage->gauge_table[i];
        std::string position = "gauge table entry " + std::to_string(i + 1);
        if (!header) {
            group.fail(position + " is null; the table lists five gauges, then null");
            return group;
        }
        if (!seen.insert(header).second) group.fail(position + " repeats an earlier header");
        std::string name = header->name ? header->name : "";
        if (!header->name)
            group.fail(position + " has no name");
        else if (name != facts[i].name)
            group.fail(position + " is \"" + name + "\"; it must be \"" + facts[i].name + "\"" +
                       (facts_of(name) ? "" : " (and the module has no such gauge)"));
    }
    if (linkage->gauge_table[5]) group.fail("gauge table entry 6 is not null; the table ends after five gauges");
    return group;
}

Group check_sharing(panelhost::Host& host) {
    Group group{"(module)", "sharing"};
    // Every record of every gauge with the bytes it takes. No two gauges
    // use the same record, and nothing lies inside a gauge header's 64
    // words, whose words past the service callback are the engine's.
    struct Claim {
        const char* begin;
        size_t bytes;
        std::string gauge, what;
        const GAUGEHDR* header;  // the record is this gauge header
        bool shared_check;       // one gauge's own record: no other gauge may use it
    };
    std::vector<Claim> claims;
    std::map<const void*, std::string> owner;
    auto claim = [&](const void* record, size_t bytes, const std::string& gauge, const std::string& what,
                     bool own = true, const GAUGEHDR* header = nullptr) {
        if (!record) return;
        claims.push_back({static_cast<const char*>(record), bytes, gauge, what, header, own});
        if (!own) return;
        auto [at, fresh] = owner.emplace(record, gauge);
        if (!fresh && at->second != gauge)
            group.fail(what + " of \"" + gauge + "\" is also used by \"" + at->second +
                       "\"; every gauge has its own records");
    };
    for (GAUGEHDR* header : host.gauge_table()) {
        std::string gauge = header->name ? header->name : "?";
        claim(header, sizeof(GAUGEHDR), gauge, "the header", false, header);
        if (header->name) claim(header->name, strnlen(header->name, WALK_LIMIT) + 1, gauge, "the name", false);
        if (header->mouse_rect) {
            size_t records = 1;
            while (records < WALK_LIMIT && header->mouse_rect[records - 1].kind != MOUSE_KIND_END) ++records;
            claim(header->mouse_rect, records * sizeof(MOUSERECT), gauge, "the mouse list");
        }
        if (!header->element_list || !header->element_list[0]) continue;
        claim(header->element_list, sizeof(ELEMENT_HEADER*), gauge, "the element list", false);
        ELEMENT_HEADER* face = header->element_list[0];
        claim(face, sizeof(ELEMENT_STATIC_IMAGE), gauge, "the face");
        std::vector<ELEMENT_HEADER*> children = children_of(header);
        claim(face->next_element, (children.size() + 1) * sizeof(ELEMENT_HEADER*), gauge, "the face's child list",
              false);
        for (size_t i = 0; i < children.size(); ++i) {
            size_t bytes = children[i]->element_type == ELEMENT_TYPE_STRING ? sizeof(ELEMENT_STRING)
                           : children[i]->element_type == ELEMENT_TYPE_ICON ? sizeof(ELEMENT_ICON)
                                                                            : sizeof(ELEMENT_HEADER);
            claim(children[i], bytes, gauge, describe(i, children[i]));
            claim(children[i]->failure, 3 * sizeof(FAILURE_RECORD), gauge, "the failure list");
        }
    }
    for (const Claim& h : claims) {
        if (!h.header) continue;
        std::set<const char*> told;
        for (const Claim& c : claims) {
            if (c.header == h.header || c.begin + c.bytes <= h.begin || h.begin + h.bytes <= c.begin) continue;
            if (c.header && c.begin < h.begin) continue;  // told the other way round
            if (!told.insert(c.begin).second) continue;
            group.fail(c.what + " of \"" + c.gauge + "\" lies inside the header of \"" + h.gauge +
                       "\"; a header takes 64 words, and nothing else lies in them");
        }
    }
    if (group.passed()) group.note = "each gauge its own records, none inside a header's 64 words";
    return group;
}

Group check_header(panelhost::Host& host, GAUGEHDR* header, const GaugeFacts& facts) {
    Group group{facts.name, "header"};
    if (header->version != GAUGE_HEADER_VERSION)
        group.fail("header version " + std::to_string(header->version) + "; every header has 800");
    if (!header->element_list || !header->element_list[0])
        group.fail("element list is null or its one slot is empty; it holds the face");
    // 64 words: the fields, and 0 in every other word (word 10, words 12 to
    // 19, and words 22 to 63 past the service callback, the engine's).
    std::vector<uint32_t> nonzero;
    if (header->reserved_10) nonzero.push_back(10);
    for (uint32_t k = 0; k < 8; ++k)
        if (header->reserved_12_19[k]) nonzero.push_back(12 + k);
    for (uint32_t k = 0; k < 42; ++k)
        if (header->reserved_22_63[k]) nonzero.push_back(22 + k);
    if (!nonzero.empty()) {
        std::string words;
        for (size_t k = 0; k < nonzero.size() && k < 6; ++k) words += (k ? ", " : "") + std::to_string(nonzero[k]);
        if (nonzero.size() > 6) words += " and " + std::to_string(nonzero.size() - 6) + " more";
        group.fail((nonzero.size() > 1 ? "header words " + words + " are" : "header word " + words + " is") +
                   " not 0; a header is 64 words, 0 but for its fields (words 0-9, 11, 20, 21)");
    }
    if (header->size_x_mm != facts.size_x_mm)
        group.fail("horizontal size " + std::to_string(header->size_x_mm) + " mm; this gauge has " +
                   std::to_string(facts.size_x_mm) + " mm");
    if (!header->mouse_rect) group.fail("mouse list is null; every gauge has one, even without clickable areas");
    if (bool(header->service_callback) != facts.has_service)
        group.fail(std::string("gauge service callback is ") + (header->service_callback ? "set" : "null") +
                   "; this gauge has " + (facts.has_service ? "one" : "none"));

    // The same seven generic routines in every header, each forwarding to
    // its own PANELS word with the first gauge's root element.
    const GAUGE_ROUTINES& r = header->routines;
    const GAUGE_ROUTINES& first = host.linkage()->gauge_table[0]->routines;
    if (std::memcmp(&r, &first, sizeof r) != 0)
        group.fail("the generic routines differ from those of the first gauge; all five headers share the same seven");
    if (!r.query || !r.install || !r.initialize || !r.update || !r.generate || !r.draw || !r.kill) {
        group.fail("a generic routine is null");
        return group;
    }
    GAUGEHDR* first_header = host.linkage()->gauge_table[0];
    ELEMENT_HEADER* root = first_header->element_list ? first_header->element_list[0] : nullptr;
    void* handle = host.module().handle();
    const uint32_t phase = 0xA5A50003;
    static const char* const names[] = {"query", "install", "initialize", "update", "generate", "draw", "kill"};
    static const uint32_t words[] = {
        PANELS_WORD_ELEMENT_LIST_QUERY,    PANELS_WORD_ELEMENT_LIST_INSTALL, PANELS_WORD_ELEMENT_LIST_INITIALIZE,
        PANELS_WORD_ELEMENT_LIST_UPDATE,   PANELS_WORD_ELEMENT_LIST_GENERATE, PANELS_WORD_ELEMENT_LIST_PLOT,
        PANELS_WORD_ELEMENT_LIST_KILL};
    host.clear_logs();
    for (int k = 0; k < 7; ++k) {
        std::string who = std::string("generic routine ") + names[k];
        crash_context(facts.name, "header", "calling %s", who.c_str());
        int32_t result = 0;
        bool completed = guarded(host, who, [&] {
            switch (k) {
            case 0: result = r.query(); break;
            case 1: result = r.install(handle); break;
            case 2: result = r.initialize(); break;
            case 3: result = r.update(); break;
            case 4: result = r.generate(phase); break;
            case 5: result = r.draw(); break;
            default: result = r.kill(); break;
            }
        });
        clear_crash_context();
        report_traps(host, group);
        if (!completed) {
            host.clear_logs();
            continue;
        }
        const auto& calls = host.element_list_calls();
        uint64_t argument = k == 1 ? reinterpret_cast<uintptr_t>(handle) : k == 4 ? phase : 0;
        if (calls.size() != 1 || calls[0].word != words[k])
            group.fail(who + " does not call element_list_" + (k == 5 ? "plot" : names[k]) + " (PANELS word " +
                       std::to_string(words[k]) + ") once");
        else if (calls[0].root != root || calls[0].argument != argument)
            group.fail(who + " does not pass the first gauge's root element" +
                       (argument ? std::string(" and its argument") : std::string()));
        if (result != int32_t(0x100 + words[k]))
            group.fail(who + " does not return the PANELS operation's result unchanged");
        host.clear_logs();
    }
    if (group.passed()) group.note = "64 words: the fields, then zeros";
    return group;
}

Group check_tree(GAUGEHDR* header, const GaugeFacts& facts) {
    Group group{facts.name, "tree"};
    if (!header->element_list || !header->element_list[0]) {
        group.fail("the header names no face; the element tree cannot be walked");
        return group;
    }
    const ELEMENT_STATIC_IMAGE* face = reinterpret_cast<ELEMENT_STATIC_IMAGE*>(header->element_list[0]);
    const ELEMENT_HEADER& f = face->header;
    if (f.element_type != ELEMENT_TYPE_STATIC_IMAGE)
        group.fail("face: kind " + std::to_string(f.element_type) + "; the root is a static image (kind 0)");
    if (f.resource_id != facts.face_id)
        group.fail("face: bitmap " + std::to_string(f.resource_id) + "; this gauge's face is " + std::to_string(facts.face_id));
    if (f.position_x != 0 || f.position_y != 0)
        group.fail("face: at " + std::to_string(f.position_x) + "," + std::to_string(f.position_y) + "; the face stands at 0,0");
    if (f.gauge != header) group.fail("face: does not point back to its own gauge's header");
    if (f.failure) group.fail("face: carries a failure list; the face has none");
    if (f.draw_flags != DRAW_FLAGS_FACE) group.fail("face: draw flags " + hex(f.draw_flags) + "; the face has 0x1");
    if (!f.next_element) group.fail("face: child list is null");
    if (!all_zero(f.reserved_4_7) || f.reserved_9 || !all_zero(f.reserved_13_14) || !all_zero(face->reserved_15_23))
        group.fail("face: a word that must be 0 is not");

    int face_w = 0, face_h = 0;
    face_size(facts, face_w, face_h);
    bool terminated = false;
    std::vector<ELEMENT_HEADER*> children = children_of(header, &terminated);
    if (!terminated) group.fail("face: child list has no null pointer within " + std::to_string(WALK_LIMIT) + " entries");
    const FAILURE_RECORD* failure_list = nullptr;
    for (size_t i = 0; i < children.size(); ++i) {
        const ELEMENT_HEADER* child = children[i];
        std::string who = describe(i, child);
        if (child->element_type != ELEMENT_TYPE_ICON && child->element_type != ELEMENT_TYPE_STRING) {
            group.fail(who + ": kind " + std::to_string(child->element_type) + "; children are icons (4) or strings (2)");
            continue;
        }
        if (child->gauge != header)
            group.fail(who + ": points to " + (child->gauge ? "another gauge's header" : "no header") +
                       "; every element points back to its own gauge's header");
        if (child->next_element) group.fail(who + ": has children of its own; trees are two levels deep");
        if (child->position_x < 0 || child->position_y < 0 || child->position_x >= face_w || child->position_y >= face_h)
            group.fail(who + ": stands outside the " + std::to_string(face_w) + "x" + std::to_string(face_h) + " face");
        if (!all_zero(child->reserved_4_7) || child->reserved_9 || !all_zero(child->reserved_13_14))
            group.fail(who + ": a header word that must be 0 is not");
        if (!child->failure) {
            group.fail(who + ": carries no failure list; every lamp and read-out carries its gauge's list");
        } else if (!failure_list) {
            failure_list = child->failure;
            check_failure_list(group, failure_list);
        } else if (child->failure != failure_list) {
            group.fail(who + ": carries a different failure list from child 1; a gauge has one list");
        }
        if (child->element_type == ELEMENT_TYPE_ICON)
            check_icon(group, who, reinterpret_cast<const ELEMENT_ICON*>(child), facts);
        else
            check_string(group, who, reinterpret_cast<const ELEMENT_STRING*>(child), face_w, face_h);
    }
    return group;
}

Group check_mouse(GAUGEHDR* header, const GaugeFacts& facts) {
    Group group{facts.name, "mouse"};
    if (!header->mouse_rect) {
        group.fail("the header names no mouse list");
        return group;
    }
    std::vector<MOUSERECT*> records;
    bool ended = false;
    for (size_t i = 0; i < WALK_LIMIT && !ended; ++i) {
        records.push_back(&header->mouse_rect[i]);
        ended = header->mouse_rect[i].kind == MOUSE_KIND_END;
    }
    if (!ended) {
        group.fail("the mouse list has no end-of-list record within " + std::to_string(WALK_LIMIT) + " records");
        return group;
    }

    // Shape: begin parent, children, end parent, end of list.
    size_t n = records.size();
    if (n < 3)
        group.fail("the mouse list has " + std::to_string(n) +
                   " records; it is begin parent, its children, end parent, end of list");
    for (size_t i = 0; i < n && n >= 3; ++i) {
        uint32_t expected = i == 0 ? MOUSE_KIND_PARENT_BEGIN
                            : i == n - 1 ? MOUSE_KIND_END
                            : i == n - 2 ? MOUSE_KIND_PARENT_END
                                         : MOUSE_KIND_CHILD;
        if (records[i]->kind != expected)
            group.fail(describe(i, records[i]) +
                       ": out of place; the list is begin parent, its children, end parent, end of list");
    }

    int face_w = 0, face_h = 0;
    face_size(facts, face_w, face_h);
    std::vector<std::pair<size_t, const MOUSERECT*>> children;
    for (size_t i = 0; i < n; ++i) {
        const MOUSERECT* area = records[i];
        std::string who = describe(i, area);
        if (area->kind != MOUSE_KIND_CHILD) {
            if (area->x || area->y || area->width || area->height)
                group.fail(who + ": has a box; structural records have 0,0,0,0");
            if (area->event || area->handler)
                group.fail(who + ": carries an action (" + (area->event ? "key event " + event_text(area->event) : "a handler") +
                           "); structural records carry none");
            if (area->cursor != CURSOR_NONE || area->help_id || area->mouse_flags || area->extra)
                group.fail(who + ": cursor/help/flags/extra " + std::to_string(area->cursor) + "/" +
                           std::to_string(area->help_id) + "/" + hex(area->mouse_flags) + "/" + std::to_string(area->extra) +
                           "; structural records have -1/0/0/0");
            continue;
        }
        children.emplace_back(i, area);
        if (area->width <= 0 || area->height <= 0)
            group.fail(who + ": its box is empty");
        else if (area->x < 0 || area->y < 0 || int64_t(area->x) + area->width > face_w ||
                 int64_t(area->y) + area->height > face_h)
            group.fail(who + ": its box reaches outside the " + std::to_string(face_w) + "x" + std::to_string(face_h) + " face");
        if (area->cursor != CURSOR_UPARROW && area->cursor != CURSOR_DOWNARROW && area->cursor != CURSOR_HAND)
            group.fail(who + ": cursor " + std::to_string(area->cursor) + "; a child shows 1 (increase), 2 (decrease) or 5 (push)");
        if (area->help_id) group.fail(who + ": help identifier " + std::to_string(area->help_id) + "; it is 0");
        if (area->mouse_flags != MOUSE_LEFTSINGLE)
            group.fail(who + ": mouse flags " + hex(area->mouse_flags) + "; every child takes a left single click (0x20000000)");
        if (area->event && area->handler)
            group.fail(who + ": has both key event " + event_text(area->event) +
                       " and a handler; a child has exactly one of them");
        if (!area->event && !area->handler) group.fail(who + ": has neither a key event nor a handler; a child has exactly one");
        if (area->event && !in_catalogue(area->event))
            group.fail(who + ": key event " + std::to_string(area->event) + " is not one of the module's key events");
        if (area->extra) group.fail(who + ": extra word " + std::to_string(area->extra) + "; it is 0");
    }
    for (size_t a = 0; a < children.size(); ++a)
        for (size_t b = a + 1; b < children.size(); ++b) {
            const MOUSERECT* p = children[a].second;
            const MOUSERECT* q = children[b].second;
            if (p->width <= 0 || p->height <= 0 || q->width <= 0 || q->height <= 0) continue;
            bool apart = int64_t(p->x) + p->width <= q->x || int64_t(q->x) + q->width <= p->x ||
                         int64_t(p->y) + p->height <= q->y || int64_t(q->y) + q->height <= p->y;
            if (!apart)
                group.fail(describe(children[a].first, p) + " and " + describe(children[b].first, q) +
                           " overlap; no two child areas may overlap");
        }
    return group;
}

}  // namespace validate
