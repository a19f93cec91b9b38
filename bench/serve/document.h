// A panel configuration opened on the page for editing: the file as it was
// opened and as it now reads, byte for byte, and the window laid out. The
// page carries it as JSON, the bytes in base64 (a designer's file need not
// be UTF-8: comments in a Windows code page, a byte-order mark):
//
//   {"name":"panel.cfg","window":1,"original":"W1dpbmRvdyBUaXRs...","current":"..."}
//
// ("current" may be left out when the file is opened unchanged; "window"
// when the first window is meant.) The server's own document, the file it
// was started with, also knows the folder its pictures are read from; a
// document that comes from the page never does: the page brings its
// pictures itself.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "bench/common/bmp.h"
#include "bench/common/panel_config.h"

namespace serve {

// The largest panel configuration the page may open, in bytes.
constexpr size_t PANEL_MAX_BYTES = 1024 * 1024;
// The largest request body that carries a document (both versions in base64, and room).
constexpr size_t DOCUMENT_MAX_BODY = 3 * PANEL_MAX_BYTES;
// The most gauges the window laid out may place: what a panel holds. Each
// of ours is a gauge the module runs every cycle.
constexpr size_t DOCUMENT_MAX_GAUGES = 400;

// A window's background picture as the server read it from the document's
// folder: once, when the document or the window was opened (never on the
// simulation thread), and its PNG made once, when first asked for.
class WindowPicture {
public:
    std::string section;  // the window it was read for, e.g. "Window01"
    std::string name;     // the picture as the window names it
    std::shared_ptr<const bench::BmpImage> picture;  // null when it could not be read
    std::string problem;  // why not, in one line naming files relative to the panel's folder

    // The picture as a PNG, made at the first call.
    const std::string& png() const;

private:
    mutable std::once_flag encoded_;
    mutable std::string png_;
};

struct PanelDocument {
    std::string name;        // as opened, e.g. "panel.cfg"; names it in messages and downloads
    std::string original;    // the bytes as opened
    std::string current;     // the bytes as they now read
    int window = bench::FIRST_WINDOW;  // the [WindowNN] laid out
    std::string folder;      // where its pictures are read; "" for a document from the page
    // The chosen window's picture, when read_background() has read it.
    std::shared_ptr<const WindowPicture> background;

    // Reads the chosen window from `current`; throws PanelConfigError naming
    // file:line, or for more than DOCUMENT_MAX_GAUGES gauges. Reads no file.
    bench::PanelConfig parse() const;
    // parse(), with the background picture read for that window.
    bench::PanelConfig layout() const;
    // Reads the chosen window's picture from `folder` (nothing without one).
    // It reads a file: never called on the simulation thread.
    void read_background();
};

// The document as the page carries it (without the folder).
std::string document_json(const PanelDocument& document);
// A document the page sent; throws std::invalid_argument saying what is
// wrong with the JSON, a name, the base64 or a size. The file itself is
// not read here (see layout()).
PanelDocument document_from_json(std::string_view text);
// The last part of the document's name, as a download is called ("panel.cfg").
std::string download_name(const PanelDocument& document);

std::string base64_encode(std::string_view bytes);
// Throws std::invalid_argument for a character outside the alphabet or a bad length.
std::string base64_decode(std::string_view text);

}  // namespace serve
