#include "bench/serve/document.h"

#include <array>
#include <cctype>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "bench/common/render.h"

namespace serve {

using nlohmann::json;

namespace {

constexpr char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr size_t MOST_NAME = 255;

const std::array<int8_t, 256>& values() {
    static const std::array<int8_t, 256> table = [] {
        std::array<int8_t, 256> t{};
        t.fill(-1);
        for (int i = 0; i < 64; ++i) t[static_cast<unsigned char>(ALPHABET[i])] = int8_t(i);
        return t;
    }();
    return table;
}

std::string file_bytes(const json& body, const char* name) {
    auto found = body.find(name);
    if (found == body.end()) throw std::invalid_argument(std::string("the document lacks \"") + name + "\"");
    if (!found->is_string()) throw std::invalid_argument(std::string("\"") + name + "\" must be a text in base64");
    std::string bytes;
    try {
        bytes = base64_decode(found->get_ref<const std::string&>());
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(std::string("\"") + name + "\": " + e.what());
    }
    if (bytes.size() > PANEL_MAX_BYTES)
        throw std::invalid_argument("the panel configuration is " + std::to_string(bytes.size()) +
                                    " bytes; at most " + std::to_string(PANEL_MAX_BYTES) + " are taken");
    return bytes;
}

}  // namespace

const std::string& WindowPicture::png() const {
    std::call_once(encoded_, [this] {
        if (!picture) return;
        bench::Image image;
        image.width = picture->width;
        image.height = picture->height;
        image.rgb = picture->rgb;
        png_ = bench::encode_png(image);
    });
    return png_;
}

bench::PanelConfig PanelDocument::parse() const {
    bench::PanelConfig config = bench::parse_panel_config(current, name, window);
    if (config.gauges.size() > DOCUMENT_MAX_GAUGES)
        throw bench::PanelConfigError(name + ": [" + config.section + "] places " +
                                      std::to_string(config.gauges.size()) + " gauges; a window holds at most " +
                                      std::to_string(DOCUMENT_MAX_GAUGES));
    return config;
}

bench::PanelConfig PanelDocument::layout() const {
    bench::PanelConfig config = parse();
    if (folder.empty() || config.background.empty()) return config;
    if (background && background->section == config.section && background->name == config.background) {
        config.background_picture = background->picture;
        config.background_problem = background->problem;
    } else {
        config.background_problem = "the background of [" + config.section + "] was not read; choose the window again";
    }
    return config;
}

void PanelDocument::read_background() {
    background.reset();
    if (folder.empty()) return;
    const bench::PanelConfig config = parse();
    auto read = std::make_shared<WindowPicture>();
    read->section = config.section;
    read->name = config.background;
    if (!config.background.empty()) {
        const std::string path = bench::picture_path(folder, config.background);
        std::string what;
        try {
            read->picture = std::make_shared<const bench::BmpImage>(bench::read_bmp(path));
        } catch (const bench::BmpError& e) {
            // Named as the window names it, relative to the panel's folder: the page never sees a local path.
            what = e.what();
            for (size_t at = what.find(path); at != std::string::npos; at = what.find(path, at + config.background.size()))
                what.replace(at, path.size(), config.background);
            if (!what.starts_with(config.background)) what = config.background + ": " + what;
        } catch (const std::exception&) {
            what = config.background + ": cannot be read";
        }
        if (!what.empty())
            read->problem = "the background of [" + config.section + "] (" + name + ":" +
                            std::to_string(config.background_line) + "): " + what + "; the window is drawn plain";
    }
    background = std::move(read);
}

std::string base64_encode(std::string_view bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const size_t left = bytes.size() - i;
        uint32_t word = uint32_t(static_cast<unsigned char>(bytes[i])) << 16;
        if (left > 1) word |= uint32_t(static_cast<unsigned char>(bytes[i + 1])) << 8;
        if (left > 2) word |= uint32_t(static_cast<unsigned char>(bytes[i + 2]));
        out += ALPHABET[word >> 18 & 63];
        out += ALPHABET[word >> 12 & 63];
        out += left > 1 ? ALPHABET[word >> 6 & 63] : '=';
        out += left > 2 ? ALPHABET[word & 63] : '=';
    }
    return out;
}

std::string base64_decode(std::string_view text) {
    if (text.size() % 4) throw std::invalid_argument("base64 comes in groups of four characters");
    std::string out;
    out.reserve(text.size() / 4 * 3);
    for (size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int pad = last ? (text[i + 3] == '=') + (text[i + 2] == '=' && text[i + 3] == '=') : 0;
        uint32_t word = 0;
        for (int k = 0; k < 4; ++k) {
            const int v = k >= 4 - pad ? 0 : values()[static_cast<unsigned char>(text[i + size_t(k)])];
            if (v < 0) throw std::invalid_argument("a character that is not base64 at " + std::to_string(i + size_t(k)));
            word = word << 6 | uint32_t(v);
        }
        out += char(word >> 16);
        if (pad < 2) out += char(word >> 8 & 0xFF);
        if (pad < 1) out += char(word & 0xFF);
    }
    return out;
}

std::string document_json(const PanelDocument& d) {
    return json{{"name", d.name},
                {"window", d.window >= 0 ? json(d.window) : json(nullptr)},
                {"original", base64_encode(d.original)},
                {"current", base64_encode(d.current)}}
        .dump(-1, ' ', false, json::error_handler_t::replace);
}

PanelDocument document_from_json(std::string_view text) {
    const json body = json::parse(text, nullptr, false);
    if (body.is_discarded() || !body.is_object())
        throw std::invalid_argument(
            "the document must be a JSON object, as in {\"name\":\"panel.cfg\",\"window\":0,\"original\":\"BASE64\"}");
    PanelDocument d;
    auto name = body.find("name");
    if (name == body.end() || !name->is_string() || name->get_ref<const std::string&>().empty())
        throw std::invalid_argument("the document's \"name\" must be the file's name, as in \"panel.cfg\"");
    d.name = name->get<std::string>();
    if (d.name.size() > MOST_NAME) throw std::invalid_argument("the document's \"name\" is longer than 255 bytes");
    for (char c : d.name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw std::invalid_argument("the document's \"name\" holds a control character");
    if (auto window = body.find("window"); window != body.end() && !window->is_null()) {
        if (!window->is_number_integer() || window->get<int64_t>() < 0 || window->get<int64_t>() > bench::PANEL_MAX_SECTION_ID)
            throw std::invalid_argument("the document's \"window\" must be a section's id from 0 to " +
                                        std::to_string(bench::PANEL_MAX_SECTION_ID) + " ([WindowNN]: NN, [VCockpitNN]: " +
                                        std::to_string(bench::VCOCKPIT_ID) + " + NN)");
        d.window = int(window->get<int64_t>());
    }
    d.original = file_bytes(body, "original");
    d.current = body.contains("current") ? file_bytes(body, "current") : d.original;
    return d;
}

std::string download_name(const PanelDocument& document) {
    std::string name = document.name.substr(document.name.find_last_of("/\\") + 1);
    // Only what any browser takes in a header's quoted file name.
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_' && c != ' ') c = '_';
    return name.empty() ? "panel.cfg" : name;
}

}  // namespace serve
