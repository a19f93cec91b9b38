// Every bitmap a gauge names must resolve through the module's instance
// handle as an 8-bit, uncompressed, bottom-up image of its table size, and
// every legend must fit on its face.
#include <set>

#include "bench/validate/validate_checks.h"

namespace validate {

Group check_bitmaps(panelhost::Host& host, GAUGEHDR* header, const GaugeFacts& facts) {
    Group group{facts.name, "bitmaps"};
    if (!header->element_list || !header->element_list[0]) {
        group.fail("the header names no face; no bitmap can be found");
        return group;
    }
    std::vector<std::pair<std::string, const ELEMENT_HEADER*>> elements = {{"face", header->element_list[0]}};
    std::vector<ELEMENT_HEADER*> children = children_of(header);
    for (size_t i = 0; i < children.size(); ++i)
        if (children[i]->element_type == ELEMENT_TYPE_ICON || children[i]->element_type == ELEMENT_TYPE_STATIC_IMAGE)
            elements.emplace_back("child " + std::to_string(i + 1), children[i]);

    int face_w = 0, face_h = 0;
    bitmap_size(facts.face_id, face_w, face_h);
    std::set<int32_t> done;
    for (const auto& [who, element] : elements) {
        int32_t id = element->resource_id;
        std::string bitmap = who + ": bitmap " + std::to_string(id);
        int want_w = 0, want_h = 0;
        if (!bitmap_size(id, want_w, want_h)) {
            group.fail(bitmap + " is not one of the module's 31 bitmaps");
            continue;
        }
        panelhost::Bitmap found;
        try {
            found = panelhost::load_bitmap(host.module().handle(), host.resource_folder(), id);
        } catch (const std::exception& e) {
            group.fail(bitmap + " does not resolve: " + e.what());
            continue;
        }
        if (done.insert(id).second) {
            if (found.bit_count != 8)
                group.fail(bitmap + " has " + std::to_string(found.bit_count) + " bits per pixel; every bitmap has 8");
            if (found.compression != 0)
                group.fail(bitmap + " is compressed (" + std::to_string(found.compression) + "); every bitmap is plain (0)");
            if (!found.bottom_up) group.fail(bitmap + " is stored top-down; every bitmap is bottom-up");
            if (found.width != want_w || found.height != want_h)
                group.fail(bitmap + " is " + std::to_string(found.width) + "x" + std::to_string(found.height) + "; it must be " +
                           std::to_string(want_w) + "x" + std::to_string(want_h));
        }
        if (element != header->element_list[0] &&
            (element->position_x + int64_t(want_w) > face_w || element->position_y + int64_t(want_h) > face_h))
            group.fail(who + ": its " + std::to_string(want_w) + "x" + std::to_string(want_h) + " legend at " +
                       std::to_string(element->position_x) + "," + std::to_string(element->position_y) +
                       " reaches outside the " + std::to_string(face_w) + "x" + std::to_string(face_h) + " face");
    }
    return group;
}

}  // namespace validate
