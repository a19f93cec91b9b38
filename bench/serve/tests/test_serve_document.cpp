// Placing gauges in a panel configuration from the page: the file opened as
// the page sends it, its windows and background, our gauges moved, added
// and taken out, and the file given back with every other byte as it was
// (a byte-order mark, CRLF, a comment in a Windows code page).
#include "bench/serve/tests/serve_support.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "bench/common/bmp.h"
#include "bench/common/panel_writer.h"
#include "bench/serve/document.h"

using nlohmann::json;
using servetest::get;
using servetest::post;
using test::has;

namespace {

// A designer's file: a byte-order mark, CRLF, a degree sign in code page
// 1252 in a comment, two windows, another file's gauges, a virtual cockpit.
const std::string DESIGNED =
    "\xEF\xBB\xBF// Trainer panel, 12\xB0 tilt\r\n"
    "[Window Titles]\r\n"
    "Window00=Main\r\n"
    "Window01=Stack\r\n"
    "\r\n"
    "[Window00]\r\n"
    "file=main.bmp\r\n"
    "size_mm=1000,500\r\n"
    "gauge00=other!clock,   600,  20, 120   ; theirs\r\n"
    "gauge01=vmq_Tavok22ap!annunciator, 10, 10, 300\r\n"
    "\r\n"
    "[Window01]\r\n"
    "file_1024=stack.bmp\r\n"
    "size_mm=1000,400\r\n"
    "gauge00=vmq_Tavok22ap!autopilot,    20,  30, 500\r\n"
    "gauge01=other!transponder, 600, 220, 300, 100\r\n"
    "gauge02=vmq_Tavok22ap!altpreselector, 20, 220, 300\r\n"
    "\r\n"
    "[Vcockpit01]\r\n"
    "gauge00=vmq_Tavok22ap!vcaltpreselector, 0, 0, 300\r\n";

std::string open_body(const std::string& bytes, int window, const std::string& name = "panel.cfg") {
    return json{{"name", name}, {"window", window}, {"original", serve::base64_encode(bytes)}}.dump();
}

#if !defined(__EMSCRIPTEN__)
// The served page's panel: after a change that lays it out anew, the page
// reads the same server again. (The page file starts a new program instance
// with the document the answer carries; a program holds one module, so the
// web build's own case below checks only the answer.)
struct Page {
    std::unique_ptr<servetest::Sessions> sim = std::make_unique<servetest::Sessions>(servetest::options());

    json relaid(const serve::Response& answer) {
        INFO(answer.body.substr(0, 300));
        REQUIRE(answer.status == 200);
        const json a = json::parse(answer.body);
        REQUIRE(a["relayout"] == true);
        return panel();
    }
    json panel() { return json::parse(get(*sim, "/api/panel").body); }
    serve::Response post(const std::string& path, const json& body) { return servetest::post(*sim, path, body.dump()); }
    std::string file() {
        serve::Response r = get(*sim, "/api/panel.cfg");
        REQUIRE(r.status == 200);
        return r.body;
    }
};

const json& gauge(const json& panel, const std::string& name) {
    for (const json& g : panel["gauges"])
        if (g["name"] == name) return g;
    FAIL("no gauge " << name << " in " << panel["gauges"].dump());
    throw;
}
#endif

}  // namespace

TEST_CASE("the document as the page carries it: base64 both ways, and what is refused") {
    std::string all;
    for (int c = 0; c < 256; ++c) all += char(c);
    for (size_t length : {0, 1, 2, 3, 4, 5, 256}) {
        const std::string bytes = all.substr(256 - length);
        CHECK(serve::base64_decode(serve::base64_encode(bytes)) == bytes);
    }
    CHECK(serve::base64_encode("panel") == "cGFuZWw=");
    for (const char* bad : {"cGFuZW", "cGF=ZWw=", "cGFu ZWw", "cGFuZW=w", "===="})
        CHECK_THROWS_AS(serve::base64_decode(bad), std::invalid_argument);

    serve::PanelDocument d = serve::document_from_json(open_body(DESIGNED, 1, "Aircraft\\panel\\panel.cfg"));
    CHECK(d.original == DESIGNED);
    CHECK(d.current == DESIGNED);  // opened unchanged
    CHECK(d.window == 1);
    CHECK(d.folder.empty());       // the page brings its pictures; the server reads none for it
    CHECK(serve::download_name(d) == "panel.cfg");
    CHECK(serve::document_from_json(serve::document_json(d)).current == DESIGNED);
    d.window = bench::FIRST_WINDOW;
    CHECK(serve::document_from_json(serve::document_json(d)).window == bench::FIRST_WINDOW);

    auto refusal = [](const json& body) {
        try {
            serve::document_from_json(body.dump());
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    const std::string some = serve::base64_encode("[Window00]\n");
    CHECK(has(refusal(json::array()), "must be a JSON object"));
    CHECK(has(refusal({{"original", some}}), "\"name\" must be the file's name"));
    CHECK(has(refusal({{"name", "a\nb"}, {"original", some}}), "control character"));
    CHECK(has(refusal({{"name", "p"}, {"original", some}, {"window", -2}}), "\"window\" must be a section's id from 0 to 19999"));
    CHECK(has(refusal({{"name", "p"}, {"original", some}, {"window", "1"}}), "section's id"));
    CHECK(has(refusal({{"name", "p"}}), "lacks \"original\""));
    CHECK(has(refusal({{"name", "p"}, {"original", "not base64!"}}), "\"original\": "));
    CHECK(has(refusal({{"name", "p"}, {"original", serve::base64_encode(std::string(serve::PANEL_MAX_BYTES + 1, ';'))}}),
              "at most 1048576 are taken"));
}

#if defined(__EMSCRIPTEN__)
TEST_CASE("in the page file a file opened is answered with its document, and the running session stays as it was") {
    servetest::Sessions sim(servetest::options());
    const serve::Response answer = servetest::post(sim, "/api/panel/open", open_body(DESIGNED, 1));
    REQUIRE(answer.status == 200);
    const serve::PanelDocument d = serve::document_from_json(json::parse(answer.body)["document"].dump());
    CHECK(d.current == DESIGNED);
    CHECK(d.window == 1);
    CHECK(json::parse(get(sim, "/api/panel").body)["document"].is_null());  // the page starts a new instance with it
    CHECK(has(servetest::post(sim, "/api/panel/open", open_body(DESIGNED, 7)).body, "there is no [Window07]"));
}
#else
TEST_CASE("a file opened on the page: its window on its background, a gauge moved, the file given back byte for byte") {
    Page page;
    // Before a file is opened there is nothing to edit or give back.
    CHECK(page.panel()["document"].is_null());
    CHECK(page.post("/api/panel/move", {{"line", 15}, {"x", 1}, {"y", 1}, {"width", 9}}).status == 409);
    CHECK(get(*page.sim, "/api/panel.cfg").status == 404);

    json panel = page.relaid(servetest::post(*page.sim, "/api/panel/open", open_body(DESIGNED, 1)));
    const json& doc = panel["document"];
    CHECK(panel["section"] == "Window01");
    CHECK(doc["window"] == 1);
    CHECK(doc["windows"] ==
          json::parse(R"([{"number":0,"section":"Window00","title":"Main","virtual_cockpit":false,"texture":""},
                          {"number":1,"section":"Window01","title":"Stack","virtual_cockpit":false,"texture":""},
                          {"number":10001,"section":"Vcockpit01","title":"","virtual_cockpit":true,"texture":""}])"));
    CHECK(doc["background"]["name"] == "stack.bmp");
    CHECK(doc["background"]["line"] == 13);
    CHECK(doc["background"]["served"] == false);  // the page draws its own copy
    CHECK(doc["changes"].empty());
    CHECK(doc["edited"] == false);
    REQUIRE(panel["boxes"].size() == 1);
    CHECK(panel["boxes"][0]["label"] == "other!transponder");
    CHECK(gauge(panel, "autopilot")["line"] == 15);
    CHECK(gauge(panel, "altpreselector")["height_given"] == false);
    CHECK(page.file() == DESIGNED);  // opened and given back: not a byte changed

    // The autopilot dragged: its line changes, the layout follows, the gauges keep running.
    servetest::post(*page.sim, "/api/click", R"({"gauge":"autopilot","x":20,"y":60})");
    const json actions = servetest::state(*page.sim)["actions"];
    const serve::Response moved = page.post("/api/panel/move", {{"line", 15}, {"x", 480}, {"y", 40}, {"width", 500}});
    REQUIRE(moved.status == 200);
    panel = json::parse(moved.body);
    CHECK(gauge(panel, "autopilot")["x"] == 480);
    CHECK(gauge(panel, "autopilot")["height"] == 119);  // its face's aspect
    REQUIRE(panel["document"]["changes"].size() == 1);
    CHECK(panel["document"]["changes"][0]["now"] == "gauge00=vmq_Tavok22ap!autopilot,   480,  40, 500");
    CHECK(panel["document"]["changes"][0]["kind"] == "changed");
    std::string expected = DESIGNED;
    expected.replace(expected.find("gauge00=vmq_Tavok22ap!autopilot,    20,  30, 500"), 48,
                     "gauge00=vmq_Tavok22ap!autopilot,   480,  40, 500");
    const serve::Response file = get(*page.sim, "/api/panel.cfg");
    CHECK(file.body == expected);
    CHECK(file.content_type == "application/octet-stream");
    CHECK(file.headers == decltype(file.headers){{"Content-Disposition", "attachment; filename=\"panel.cfg\""}});
    CHECK(servetest::state(*page.sim)["actions"] == actions);  // the same session went on, the click in it

    // Refused with one line, and nothing changes: another file's gauge, a
    // line that is no gauge, a place out of range, a malformed or missing
    // window, a body too large.
    CHECK(has(page.post("/api/panel/move", {{"line", 16}, {"x", 1}, {"y", 1}, {"width", 9}}).body,
              "line 16 of panel.cfg is not a gauge of this module in [Window01]"));
    CHECK(page.post("/api/panel/move", {{"line", 14}, {"x", 1}, {"y", 1}, {"width", 9}}).status == 400);
    CHECK(has(page.post("/api/panel/move", {{"line", 15}, {"x", -16385}, {"y", 1}, {"width", 9}}).body,
              "\"x\" must be a whole number from -16384 to 16384"));
    CHECK(has(page.post("/api/panel/move", {{"line", 15}, {"x", 1}, {"y", 1}, {"width", 0}}).body, "\"width\""));
    std::string malformed = DESIGNED;
    malformed.replace(malformed.find("    20,  30, 500"), 16, "    20,  up, 500");
    const serve::Response refused = servetest::post(*page.sim, "/api/panel/open", open_body(malformed, 1));
    CHECK(refused.status == 400);
    CHECK(has(refused.body, "panel.cfg:15: "));
    CHECK(has(servetest::post(*page.sim, "/api/panel/open", open_body(DESIGNED, 7)).body, "there is no [Window07]"));
    const serve::Response large = servetest::post(*page.sim, "/api/panel/open", std::string(serve::DOCUMENT_MAX_BODY + 1, ' '));
    CHECK(large.status == 413);
    CHECK(page.file() == expected);
}

TEST_CASE("adding, taking out, another window and a new session lay the panel out anew, the edits kept") {
    Page page;
    page.relaid(servetest::post(*page.sim, "/api/panel/open", open_body(DESIGNED, 1)));
    REQUIRE(page.post("/api/panel/move", {{"line", 15}, {"x", 480}, {"y", 40}, {"width", 500}}).status == 200);

    // A second autopilot, in the middle of the window at its face's size, as the next free gaugeNN.
    json panel = page.relaid(page.post("/api/panel/add", {{"gauge", "autopilot"}}));
    REQUIRE(panel["gauges"].size() == 3);
    const json& copy = gauge(panel, "autopilot-2");
    CHECK(copy["key"] == "gauge03");
    CHECK(copy["line"] == 18);
    CHECK(copy["x"] == 250);
    CHECK(copy["width"] == 500);
    CHECK(gauge(panel, "autopilot")["x"] == 480);  // the moved one stays moved
    CHECK(has(page.file(), "gauge02=vmq_Tavok22ap!altpreselector, 20, 220, 300\r\ngauge03=vmq_Tavok22ap!autopilot, 250, "));
    CHECK(has(page.post("/api/panel/add", {{"gauge", "clock"}}).body, "unknown gauge \"clock\""));

    // The preselector taken out: the copy moves up a line, the rest of the file is as it was.
    panel = page.relaid(page.post("/api/panel/remove", {{"line", 17}}));
    REQUIRE(panel["gauges"].size() == 2);
    CHECK(gauge(panel, "autopilot-2")["line"] == 17);
    const json changes = panel["document"]["changes"];
    REQUIRE(changes.size() == 3);
    CHECK(changes[1]["kind"] == "added");
    CHECK(changes[2]["kind"] == "removed");
    CHECK(changes[2]["was"] == "gauge02=vmq_Tavok22ap!altpreselector, 20, 220, 300");
    CHECK(has(page.post("/api/panel/remove", {{"line", 16}}).body, "not a gauge of this module"));  // theirs stays

    // The other window: laid out from the edited file, which goes on being the one given back.
    const std::string edited = page.file();
    panel = page.relaid(page.post("/api/panel/window", {{"window", 0}}));
    CHECK(panel["section"] == "Window00");
    CHECK(panel["document"]["background"]["name"] == "main.bmp");
    CHECK(panel["document"]["changes"].size() == 3);  // every window's changed lines
    CHECK(page.file() == edited);
    CHECK(has(page.post("/api/panel/window", {{"window", 5}}).body, "there is no [Window05]"));

    // A new session keeps the file as it now reads: the page file takes the
    // document along to its new instance; the server carries it itself.
    const serve::Response document = get(*page.sim, "/api/panel/document");
    REQUIRE(document.status == 200);
    CHECK(serve::document_from_json(document.body).current == edited);
    CHECK(serve::document_from_json(document.body).original == DESIGNED);
    REQUIRE(servetest::post(*page.sim, "/api/reset", "{}").status == 200);
    CHECK(page.file() == edited);
    CHECK(page.panel()["section"] == "Window00");
}

TEST_CASE("a real panel on the page: a virtual cockpit chosen, a line without a width dragged, a gauge added where it is free") {
    const std::string text = "[Window00]\r\nsize_mm=1000,400\r\n"
                             "gauge00=vmq_Tavok22ap!autopilot, -41, 0\r\n"           // no width: the face's 500
                             "gauge01=Radio!Audio, 600, 0\r\n"                       // another file's, no size
                             "[VCockpit01]\r\npixel_size=512,512\r\ntexture=$VC01\r\n"
                             "gauge00=vmq_Tavok22ap!vcaltpreselector, 10, 10, 280\r\n";
    Page page;
    json panel = page.relaid(servetest::post(*page.sim, "/api/panel/open", open_body(text, 0)));
    CHECK(gauge(panel, "autopilot")["width"] == 500);
    REQUIRE(panel["boxes"].size() == 1);
    CHECK(panel["boxes"][0]["marker"] == true);
    CHECK(panel["document"]["windows"][1]["texture"] == "$VC01");
    // Dragged at its own width, the line still gives none; resized, it gains one.
    REQUIRE(page.post("/api/panel/move", {{"line", 3}, {"x", -30}, {"y", 5}, {"width", 500}}).status == 200);
    CHECK(has(page.file(), "gauge00=vmq_Tavok22ap!autopilot, -30, 5\r\n"));
    REQUIRE(page.post("/api/panel/move", {{"line", 3}, {"x", -30}, {"y", 5}, {"width", 400}}).status == 200);
    CHECK(has(page.file(), "gauge00=vmq_Tavok22ap!autopilot, -30, 5, 400\r\n"));
    // Added at its installation width, beside what is there, not over it.
    panel = page.relaid(page.post("/api/panel/add", {{"gauge", "annunciator"}}));
    CHECK(gauge(panel, "annunciator")["x"] == 616);
    CHECK(gauge(panel, "annunciator")["y"] == 0);
    CHECK(gauge(panel, "annunciator")["width"] == 300);
    // The virtual cockpit, chosen by its id, takes an addition as a window does.
    panel = page.relaid(page.post("/api/panel/window", {{"window", bench::VCOCKPIT_ID + 1}}));
    CHECK(panel["section"] == "VCockpit01");
    panel = page.relaid(page.post("/api/panel/add", {{"gauge", "autopilot"}}));
    CHECK(has(page.file(), "gauge00=vmq_Tavok22ap!vcaltpreselector, 10, 10, 280\r\ngauge01=vmq_Tavok22ap!autopilot, 0, 141, 500\r\n"));
}

TEST_CASE("gauges added at once from several requests are all added: none is laid out over another's") {
    Page page;
    page.relaid(servetest::post(*page.sim, "/api/panel/open", open_body(DESIGNED, 1)));
    std::vector<std::thread> adders;
    for (int i = 0; i < 4; ++i)
        adders.emplace_back([&page] { CHECK(page.post("/api/panel/add", {{"gauge", "annunciator"}}).status == 200); });
    for (std::thread& t : adders) t.join();
    const json panel = page.panel();
    CHECK(panel["gauges"].size() == 2 + 4);  // ours: the autopilot, the preselector and the four
    CHECK(panel["document"]["changes"].size() == 4);
    const std::string file = page.file();
    for (const char* key : {"\r\ngauge03=", "\r\ngauge04=", "\r\ngauge05=", "\r\ngauge06="}) CHECK(has(file, key));
}

TEST_CASE("the server's own file: its window's picture read once from its folder, sent, a missing one named") {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("serve-document-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    bench::write_file_whole((folder / "STACK.BMP").string(),
                            bench::encode_bmp(bench::BmpImage{2, 1, {10, 20, 30, 40, 50, 60}}, 24));
    serve::ServeOptions options = servetest::options();
    options.document = serve::PanelDocument{.name = "panel.cfg", .original = DESIGNED, .current = DESIGNED,
                                            .window = 1, .folder = folder.string()};
    {
        servetest::Sessions sim(options);
        const json panel = json::parse(get(sim, "/api/panel").body);
        CHECK(panel["document"]["background"]["served"] == true);
        const serve::Response picture = get(sim, "/api/panel/background.png");
        CHECK(picture.status == 200);
        CHECK(picture.body.substr(1, 3) == "PNG");
        CHECK(panel["document"]["download"] == "panel.cfg");

        // Read when the window was opened, not again when the panel is laid out anew.
        fs::remove(folder / "STACK.BMP");
        REQUIRE(servetest::post(sim, "/api/panel/add", R"({"gauge":"annunciator"})").status == 200);
        CHECK(json::parse(get(sim, "/api/panel").body)["document"]["background"]["served"] == true);
        CHECK(get(sim, "/api/panel/background.png").body == picture.body);

        // Window 0 names main.bmp, which is not there: named in one line, as
        // the window names it, the window drawn plain; no local path is told.
        REQUIRE(servetest::post(sim, "/api/panel/window", R"({"window":0})").status == 200);
        const json other = json::parse(get(sim, "/api/panel").body)["document"]["background"];
        CHECK(other["served"] == false);
        const std::string problem = other["problem"];
        CHECK(has(problem, "the background of [Window00] (panel.cfg:7): main.bmp: "));
        CHECK(has(problem, "the window is drawn plain"));
        CHECK_FALSE(has(problem, folder.string()));
        CHECK(get(sim, "/api/panel/background.png").status == 404);
        // The window opened again reads its picture again: now gone.
        REQUIRE(servetest::post(sim, "/api/panel/window", R"({"window":1})").status == 200);
        CHECK(json::parse(get(sim, "/api/panel").body)["document"]["background"]["served"] == false);
    }
    fs::remove_all(folder);
}

TEST_CASE("a window holds a panel's gauges: a file placing more is refused, and so is a gauge added past them") {
    // Another file's gauges, which the module does not run: the most a window takes, and one more.
    auto placing = [](size_t count) {
        std::string text = "[Window00]\nsize_mm=1000,500\ngauge0=vmq_Tavok22ap!annunciator, 0, 0, 300\n";
        for (size_t i = 1; i < count; ++i) text += "gauge" + std::to_string(i) + "=other!box, 10, 10, 10\n";
        return text;
    };
    Page page;
    const serve::Response refused = page.post("/api/panel/open", json::parse(open_body(placing(401), 0)));
    CHECK(refused.status == 400);
    CHECK(refused.body == "panel.cfg: [Window00] places 401 gauges; a window holds at most 400\n");
    CHECK(page.panel()["document"].is_null());  // nothing opened

    page.relaid(page.post("/api/panel/open", json::parse(open_body(placing(400), 0))));
    const serve::Response more = page.post("/api/panel/add", {{"gauge", "autopilot"}});
    CHECK(more.status == 400);
    CHECK(has(more.body, "places 401 gauges; a window holds at most 400"));
    // The session goes on, with the file as it was.
    CHECK(page.panel()["gauges"].size() == 1);
    CHECK(page.file() == placing(400));
}
#endif
