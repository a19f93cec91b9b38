// The module as the host finds it: exported records, the gauge table, the
// headers, trees and mouse lists of all five gauges, the generic routines.
#include <set>

#include "module/tokens.h"
#include "resources/bitmaps.h"
#include "tests/support.h"

using panelhost::Host;

namespace {
const char* const GAUGE_NAMES[] = {"altpreselector", "vcaltpreselector", "altpreselectornosnd", "autopilot",
                                   "annunciator"};

std::vector<ELEMENT_HEADER*> children_of(GAUGEHDR* header) {
    std::vector<ELEMENT_HEADER*> out;
    for (ELEMENT_HEADER** next = header->element_list[0]->next_element; *next; ++next) out.push_back(*next);
    return out;
}
}  // namespace

TEST_CASE("linkage and import table carry the fixed values") {
    auto host = test::load();
    IMPORT_TABLE* imports = host->import_table();
    CHECK(imports->panels.id == 0x0F);
    CHECK(imports->panels.table == Host::panels());
    CHECK(imports->end.id == 0);
    CHECK(imports->end.table == nullptr);

    LINKAGE* linkage = host->linkage();
    CHECK(linkage->module_id == 0x13);
    CHECK(linkage->flags == 0);
    CHECK(linkage->priority == 0);
    CHECK(linkage->version == 0x0800);
    CHECK((linkage->module_init != nullptr));
    CHECK((linkage->module_deinit != nullptr));
    // Start and stop may be called any number of times, in any state.
    for (int i = 0; i < 3; ++i) {
        host->stop();
        host->start();
        host->stop();
    }
}

TEST_CASE("the gauge table lists the five gauges in order, then null") {
    auto host = test::load();
    REQUIRE(host->gauge_table().size() == 5);
    for (int i = 0; i < 5; ++i) CHECK(std::string(host->linkage()->gauge_table[i]->name) == GAUGE_NAMES[i]);
    CHECK(host->linkage()->gauge_table[5] == nullptr);
}

TEST_CASE("every header carries the shared values and its own size, list and service") {
    auto host = test::load();
    GAUGEHDR* first = host->linkage()->gauge_table[0];
    std::set<ELEMENT_HEADER*> all_elements;
    std::set<FAILURE_RECORD*> failure_lists;
    std::set<MOUSERECT*> mouse_lists;
    for (GAUGEHDR* header : host->gauge_table()) {
        std::string gauge_name = header->name;
        CAPTURE(gauge_name);
        CHECK(header->version == 800);
        CHECK(header->size_x_mm == (std::string(header->name) == "autopilot" ? 500u : 300u));
        CHECK((header->routines.query == first->routines.query));
        CHECK((header->routines.install == first->routines.install));
        CHECK((header->routines.initialize == first->routines.initialize));
        CHECK((header->routines.update == first->routines.update));
        CHECK((header->routines.generate == first->routines.generate));
        CHECK((header->routines.draw == first->routines.draw));
        CHECK((header->routines.kill == first->routines.kill));
        CHECK(header->reserved_10 == 0);
        for (uint32_t word : header->reserved_12_19) CHECK(word == 0);
        for (uint32_t word : header->reserved_22_63) CHECK(word == 0);
        bool preselector = std::string(header->name).find("preselector") != std::string::npos;
        CHECK(((header->service_callback != nullptr) == preselector));

        // The face: a static image at 0, 0 with no failure list.
        ELEMENT_HEADER* face = header->element_list[0];
        CHECK(face->element_type == ELEMENT_TYPE_STATIC_IMAGE);
        CHECK(face->position_x == 0);
        CHECK(face->position_y == 0);
        CHECK(face->draw_flags == DRAW_FLAGS_FACE);
        CHECK(face->failure == nullptr);
        CHECK(face->gauge == header);
        CHECK(all_elements.insert(face).second);

        // Children: two levels only, each with the gauge's failure list.
        FAILURE_RECORD* failures = nullptr;
        for (ELEMENT_HEADER* child : children_of(header)) {
            CHECK(all_elements.insert(child).second);  // no element shared between gauges
            CHECK(child->gauge == header);
            CHECK(child->next_element == nullptr);
            CHECK(child->reserved_9 == nullptr);
            REQUIRE(child->failure != nullptr);
            if (!failures) failures = child->failure;
            CHECK(child->failure == failures);
            if (child->element_type == ELEMENT_TYPE_ICON) {
                auto* icon = reinterpret_cast<ELEMENT_ICON*>(child);
                CHECK(child->draw_flags == DRAW_FLAGS_ICON);
                CHECK(icon->image_count == 1);
                CHECK((icon->callback != nullptr));
                CHECK(child->resource_id > 0);
            } else {
                REQUIRE(child->element_type == ELEMENT_TYPE_STRING);
                auto* string = reinterpret_cast<ELEMENT_STRING*>(child);
                CHECK(child->draw_flags == DRAW_FLAGS_STRING);
                CHECK(child->resource_id == -1);
                CHECK(string->source[1].id == 0);
                CHECK(string->source[2].id == 0);
                CHECK(string->style.text_colour == 0x080808);
                CHECK(string->style.background_colour == 0x66B4CF);
                CHECK(string->style.highlight_colour == 0x080808);
                CHECK(std::string(string->style.font_name) == "GLASS GAUGE");
                CHECK(string->style.font_weight == 400);
                CHECK(string->style.charset == 1);
                CHECK(string->style.placement_flags == 0x25);
                CHECK((string->callback != nullptr));
            }
        }
        if (failures) {
            CHECK(failure_lists.insert(failures).second);  // each gauge has its own list
            CHECK(failures[0].condition == 20);
            CHECK(failures[0].action == 3);
            CHECK(failures[1].condition == 21);
            CHECK(failures[1].action == 3);
            CHECK(failures[2].condition == 0);
            CHECK(failures[2].action == 0);
        }

        // Mouse list: begin parent, children, end parent, end of list.
        MOUSERECT* list = header->mouse_rect;
        REQUIRE(list != nullptr);
        CHECK(mouse_lists.insert(list).second);
        CHECK(list[0].kind == MOUSE_KIND_PARENT_BEGIN);
        size_t i = 1;
        for (; list[i].kind == MOUSE_KIND_CHILD; ++i) {
            CHECK(list[i].mouse_flags == MOUSE_LEFTSINGLE);
            CHECK(list[i].help_id == 0);
            CHECK((list[i].event != 0) != (list[i].handler != nullptr));  // one action, never both
        }
        CHECK(list[i].kind == MOUSE_KIND_PARENT_END);
        CHECK(list[i + 1].kind == MOUSE_KIND_END);
        for (size_t s : {size_t(0), i, i + 1}) {
            CHECK(list[s].cursor == CURSOR_NONE);
            CHECK(list[s].event == 0);
            CHECK((list[s].handler == nullptr));
            CHECK(list[s].mouse_flags == 0);
        }
    }
}

TEST_CASE("every gauge places with its bitmaps at their sizes, 8 bits deep") {
    auto host = test::load();
    for (const char* name : GAUGE_NAMES) {
        auto& gauge = host->place(name);
        for (auto& [id, bitmap] : gauge.bitmaps()) {
            CAPTURE(id);
            CHECK(bitmap.bit_count == 8);
            CHECK(bitmap.compression == 0);
            CHECK(bitmap.bottom_up);
            bool listed = false;
            for (const BitmapSize& entry : MODULE_BITMAPS)
                if (entry.id == id) {
                    listed = true;
                    CHECK(bitmap.width == entry.width);
                    CHECK(bitmap.height == entry.height);
                }
            CHECK(listed);
        }
    }
}

TEST_CASE("generic routines reach their own PANELS words with the first gauge's root, through any header") {
    auto host = test::load();
    ELEMENT_HEADER* first_root = host->linkage()->gauge_table[0]->element_list[0];
    const uint32_t words[] = {24, 25, 26, 27, 28, 29, 31};  // query, install, ..., plot, kill (30 is erase)
    for (GAUGEHDR* header : host->gauge_table()) {
        std::string gauge_name = header->name;
        CAPTURE(gauge_name);
        host->clear_logs();
        int marker = 0;
        int32_t results[7] = {};
        const GAUGE_ROUTINES& r = header->routines;
        REQUIRE(host->guarded("the generic routines", [&] {
            results[0] = r.query();
            results[1] = r.install(&marker);
            results[2] = r.initialize();
            results[3] = r.update();
            results[4] = r.generate(0xDEADBEEF);
            results[5] = r.draw();
            results[6] = r.kill();
        }));
        const auto& calls = host->element_list_calls();
        REQUIRE(calls.size() == 7);
        for (size_t k = 0; k < 7; ++k) {
            CAPTURE(k);
            CHECK(calls[k].word == words[k]);
            CHECK(calls[k].root == first_root);
            CHECK(results[k] == int32_t(0x100 + words[k]));  // the service's result, unchanged
        }
        CHECK(calls[1].argument == reinterpret_cast<uintptr_t>(&marker));
        CHECK(calls[4].argument == 0xDEADBEEF);
        for (size_t k : {0, 2, 3, 5, 6}) CHECK(calls[k].argument == 0);
    }
}

TEST_CASE("the host reports what is missing") {
    CHECK_THROWS_WITH_AS(panelhost::Host("no/such/module.gau", test::options()),
                         doctest::Contains("cannot load module file 'no/such/module.gau'"), panelhost::HostError);
    {
        auto host = test::load();
        CHECK_THROWS_WITH_AS(host->place("autopilott"), doctest::Contains("no gauge named \"autopilott\""),
                             panelhost::HostError);
        // One host per process: the module has one ImportTable.
        CHECK_THROWS_AS(panelhost::Host(test::module_path, test::options()), panelhost::HostError);
    }
    // The stand-in sound library has neither export: not a gauge module.
    if (!test::sound_path.empty()) {
        CHECK_THROWS_WITH_AS(panelhost::Host(test::sound_path, test::options(false)),
                             doctest::Contains("does not export 'ImportTable'"), panelhost::HostError);
    }
}
