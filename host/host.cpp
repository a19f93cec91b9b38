#include "host/host.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "soundlib/file_name.h"

namespace panelhost {

Host* Host::current_ = nullptr;

static Library load_module(const std::string& path) {
    if (path.empty()) throw HostError("no module file was named");
    return Library(path);
}

Host::Host(const std::string& module_path, HostOptions options) {
    if (current_) throw HostError("a host is already loaded in this process");
    if (options.sound) {
        std::string sound_path = options.sound_library.empty()
                                     ? folder_of(module_path) + "/" + SOUND_FILE
                                     : options.sound_library;
        sound_.install(sound_path);
    }
    module_ = load_module(module_path);
    import_table_ = static_cast<IMPORT_TABLE*>(module_.symbol("ImportTable"));
    linkage_ = static_cast<LINKAGE*>(module_.symbol("Linkage"));
    resource_folder_ = options.resource_folder.empty() ? folder_of(module_path) + "/bitmaps" : options.resource_folder;
    log_lookups_ = options.log_lookups;
    x87_control_ = options.x87_control;
    scribble_working_words_ = options.scribble_working_words;
    current_ = this;
    import_table_->panels.table = panels();
    start();
}

Host::~Host() {
    if (current_ == this) {
        stop();
        placed_.clear();
        current_ = nullptr;
    }
    // Never silent: trap calls nobody asked for are told here.
    for (const TrapCall& trap : traps_) std::fprintf(stderr, "panel host: %s (not reported)\n", trap.text().c_str());
}

void Host::start() {
    if (MODULE_START_STOP routine = linkage_->module_init) guarded("the module's start routine", [&] { routine(); });
}

void Host::stop() {
    if (MODULE_START_STOP routine = linkage_->module_deinit) guarded("the module's stop routine", [&] { routine(); });
}

std::vector<GAUGEHDR*> Host::gauge_table() const {
    std::vector<GAUGEHDR*> out;
    for (GAUGEHDR* header : linkage_->gauge_table) {
        if (!header) break;
        out.push_back(header);
    }
    return out;
}

GAUGEHDR* Host::find_gauge(const std::string& name) const {
    for (GAUGEHDR* header : gauge_table())
        if (header->name && name == header->name) return header;
    return nullptr;
}

Gauge& Host::place(const std::string& name) {
    GAUGEHDR* header = find_gauge(name);
    if (!header) {
        std::string known;
        for (GAUGEHDR* h : gauge_table()) known += std::string(known.empty() ? "" : ", ") + (h->name ? h->name : "?");
        throw HostError("module '" + module_.path() + "' has no gauge named \"" + name + "\" (it has: " + known + ")");
    }
    placed_.push_back(std::make_unique<Gauge>(*this, header));
    Gauge& gauge = *placed_.back();
    gauge.service(SERVICE_INSTALL);
    return gauge;
}

void Host::scribble_working_words() {
    working_words_.write(linkage_->gauge_table, std::size(linkage_->gauge_table));
}

double Host::token(uint32_t token) const {
    auto found = tokens_.find(token);
    return found == tokens_.end() ? 0.0 : found->second;
}

void Host::clear_logs() {
    events_.clear();
    lookups_.clear();
    element_list_calls_.clear();
}

void Host::send(uint32_t event, int32_t value, bool from_area) {
    events_.push_back({event, value, from_area});
    if (on_event) on_event(events_.back());
}

// --- Gauge ---

Gauge::Gauge(Host& host, GAUGEHDR* header) : host_(host), header_(header), name_(header->name) {
    if (!header->element_list || !header->element_list[0])
        throw HostError("gauge \"" + name_ + "\" has no element list");
    face_ = reinterpret_cast<ELEMENT_STATIC_IMAGE*>(header->element_list[0]);
    for (ELEMENT_HEADER** next = face_->header.next_element; next && *next; ++next) children_.push_back(*next);
    for (MOUSERECT* area = header->mouse_rect; area && area->kind != MOUSE_KIND_END; ++area)
        if (area->kind == MOUSE_KIND_CHILD) areas_.push_back(area);

    auto load = [&](int32_t id) {
        if (id != RESOURCE_ID_NONE && !bitmaps_.count(id))
            bitmaps_.emplace(id, load_bitmap(host_.module_.handle(), host_.resource_folder_, id));
    };
    load(face_->header.resource_id);
    for (ELEMENT_HEADER* child : children_) load(child->resource_id);

    answers_.assign(children_.size(), -1.0);
    texts_.assign(children_.size(), std::vector<char>(MODULE_TEXT_BUFFER_SIZE, 0));
}

const Bitmap& Gauge::bitmap(int32_t id) const {
    auto found = bitmaps_.find(id);
    if (found == bitmaps_.end()) throw HostError("gauge \"" + name_ + "\" has no bitmap " + std::to_string(id));
    return found->second;
}

void Gauge::service(int32_t id, uint32_t extra) {
    SERVICE_CALLBACK callback = header_->service_callback;
    if (!callback) return;
    GAUGEHDR* header = header_;
    host_.guarded(CallSite{"service callback with id", name_.c_str(), id}, [&] { callback(header, id, extra); });
}

void Gauge::update() {
    service(SERVICE_UPDATE);
    for (size_t i = 0; i < children_.size(); ++i) {
        ELEMENT_HEADER* child = children_[i];
        if (child->element_type == ELEMENT_TYPE_ICON) {
            auto* icon = reinterpret_cast<ELEMENT_ICON*>(child);
            icon->source.value = host_.token(icon->source.id);
            double answer = 0.0;
            if (icon->callback &&
                !host_.guarded(CallSite{"callback of child", name_.c_str(), int64_t(i + 1)},
                               [&] { answer = icon->callback(icon); }))
                answer = -1.0;  // ended by a trap: the lamp stays dark
            answers_[i] = answer;
        } else if (child->element_type == ELEMENT_TYPE_STRING) {
            auto* string = reinterpret_cast<ELEMENT_STRING*>(child);
            for (MODULE_VAR& source : string->source)
                if (source.id != 0) source.value = host_.token(source.id);
            std::vector<char>& buffer = texts_[i];
            std::memset(buffer.data(), 0, buffer.size());
            string->text = buffer.data();
            double answer = 0.0;
            if (string->callback &&
                !host_.guarded(CallSite{"callback of child", name_.c_str(), int64_t(i + 1)},
                               [&] { answer = string->callback(string); }))
                std::memset(buffer.data(), 0, buffer.size());  // ended by a trap: no text
            answers_[i] = answer;
            string->text = nullptr;
        }
    }
}

void Gauge::draw() { service(SERVICE_DRAW); }

int Gauge::area_at(int x, int y) const {
    for (size_t i = 0; i < areas_.size(); ++i) {
        const MOUSERECT* a = areas_[i];
        // In 64 bits: the rectangle is the module's, whatever its values.
        if (x >= a->x && x < int64_t(a->x) + a->width && y >= a->y && y < int64_t(a->y) + a->height) return int(i);
    }
    return -1;
}

int Gauge::click(int x, int y) {
    int index = area_at(x, y);
    if (index < 0) return -1;
    MOUSERECT* area = areas_[size_t(index)];
    if (area->event) host_.send(area->event, 0, true);
    if (MOUSE_HANDLER handler = area->handler) {
        PIXPOINT point{x - area->x, y - area->y};
        host_.guarded(CallSite{"handler of mouse area", name_.c_str(), int64_t(index + 1)},
                      [&] { handler(&point, area->mouse_flags); });
    }
    return index;
}

int Gauge::child_by_bitmap(int32_t resource_id) const {
    for (size_t i = 0; i < children_.size(); ++i)
        if (children_[i]->resource_id == resource_id) return int(i);
    return -1;
}

}  // namespace panelhost
