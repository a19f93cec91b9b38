#include "host/host.h"

#include <cstring>

namespace panelhost {

namespace {
Host* current = nullptr;

Host& current_host() {
    if (!current) throw HostError("the module called a PANELS operation with no host loaded");
    return *current;
}

#if defined(_WIN32)
const char* const SOUND_FILE = "FSSound.dll";
#else
const char* const SOUND_FILE = "FSSound.so";
#endif
}  // namespace

// The PANELS operations, called by the module.
struct PanelsImpl {
    static int32_t list_call(int slot, ELEMENT_HEADER* root, uint64_t argument) {
        current_host().element_list_calls_.push_back({slot, root, argument});
        return 0x100 + slot;  // distinct per operation, so forwarding can be checked
    }
    static int32_t MODULE_CALL query(ELEMENT_HEADER* root) { return list_call(0, root, 0); }
    static int32_t MODULE_CALL install(ELEMENT_HEADER* root, void* handle) {
        return list_call(1, root, reinterpret_cast<uintptr_t>(handle));
    }
    static int32_t MODULE_CALL initialize(ELEMENT_HEADER* root) { return list_call(2, root, 0); }
    static int32_t MODULE_CALL update(ELEMENT_HEADER* root) { return list_call(3, root, 0); }
    static int32_t MODULE_CALL generate(ELEMENT_HEADER* root, uint32_t phase) { return list_call(4, root, phase); }
    static int32_t MODULE_CALL plot(ELEMENT_HEADER* root) { return list_call(5, root, 0); }
    static int32_t MODULE_CALL kill(ELEMENT_HEADER* root) { return list_call(6, root, 0); }

    static int32_t MODULE_CALL trigger_key_event(uint32_t event, int32_t value) {
        current_host().send(event, value, false);
        return 0;
    }

    static int32_t MODULE_CALL lookup_var(MODULE_VAR* var) {
        Host& host = current_host();
        var->value = host.token(var->id);
        if (host.log_lookups_) host.lookups_.push_back({var, var->id, var->value});
        return 0;
    }
};

PANELS Host::panels = {
    .element_list_query = PanelsImpl::query,
    .element_list_install = PanelsImpl::install,
    .element_list_initialize = PanelsImpl::initialize,
    .element_list_update = PanelsImpl::update,
    .element_list_generate = PanelsImpl::generate,
    .element_list_plot = PanelsImpl::plot,
    .element_list_kill = PanelsImpl::kill,
    .trigger_key_event = PanelsImpl::trigger_key_event,
    .lookup_var = PanelsImpl::lookup_var,
};

static Library load_module(const std::string& path) {
    if (path.empty()) throw HostError("no module file was named");
    return Library(path);
}

Host::Host(const std::string& module_path, HostOptions options) {
    if (current) throw HostError("a host is already loaded in this process");
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
    current = this;
    import_table_->panels.table = &panels;
    start();
}

Host::~Host() {
    if (current == this) {
        stop();
        placed_.clear();
        current = nullptr;
    }
}

void Host::start() {
    if (linkage_->module_init) linkage_->module_init();
}

void Host::stop() {
    if (linkage_->module_deinit) linkage_->module_deinit();
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
    if (header_->service_callback) header_->service_callback(header_, id, extra);
}

void Gauge::update() {
    service(SERVICE_UPDATE);
    for (size_t i = 0; i < children_.size(); ++i) {
        ELEMENT_HEADER* child = children_[i];
        if (child->element_type == ELEMENT_TYPE_ICON) {
            auto* icon = reinterpret_cast<ELEMENT_ICON*>(child);
            icon->source.value = host_.token(icon->source.id);
            answers_[i] = icon->callback ? icon->callback(icon) : 0.0;
        } else if (child->element_type == ELEMENT_TYPE_STRING) {
            auto* string = reinterpret_cast<ELEMENT_STRING*>(child);
            for (MODULE_VAR& source : string->source)
                if (source.id != 0) source.value = host_.token(source.id);
            std::vector<char>& buffer = texts_[i];
            std::memset(buffer.data(), 0, buffer.size());
            string->text = buffer.data();
            answers_[i] = string->callback ? string->callback(string) : 0.0;
            string->text = nullptr;
        }
    }
}

void Gauge::draw() { service(SERVICE_DRAW); }

int Gauge::area_at(int x, int y) const {
    for (size_t i = 0; i < areas_.size(); ++i) {
        const MOUSERECT* a = areas_[i];
        if (x >= a->x && x < a->x + a->width && y >= a->y && y < a->y + a->height) return int(i);
    }
    return -1;
}

int Gauge::click(int x, int y) {
    int index = area_at(x, y);
    if (index < 0) return -1;
    MOUSERECT* area = areas_[size_t(index)];
    if (area->event) host_.send(area->event, 0, true);
    if (area->handler) {
        PIXPOINT point{x - area->x, y - area->y};
        area->handler(&point, area->mouse_flags);
    }
    return index;
}

int Gauge::child_by_bitmap(int32_t resource_id) const {
    for (size_t i = 0; i < children_.size(); ++i)
        if (children_[i]->resource_id == resource_id) return int(i);
    return -1;
}

}  // namespace panelhost
