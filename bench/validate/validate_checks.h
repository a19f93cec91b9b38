// The validator's parts: the report it prints, the record walks, the bitmap
// checks, the hostile drive of callbacks and clicks, the crash guard, and the
// hand-over of a Windows gauge file to the Windows validator under Wine.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "host/host.h"

namespace validate {

// One row of the table: a check group of one gauge (or of the module), and
// the problems it found. No problems: PASS.
struct Group {
    std::string gauge;   // gauge name, or "(module)"
    std::string name;    // check group: load, linkage, gauges, header, tree, ...
    std::vector<std::string> problems;
    int skipped = 0;     // problems beyond the cap, counted only
    std::string note;    // said beside PASS: what the check found

    // Records a problem: one line naming the record and the rule it breaks.
    void fail(const std::string& what);
    bool passed() const { return problems.empty() && skipped == 0; }
};

// Prints rows as they complete, so that a crash leaves every finished row
// on the screen, and keeps the count for the summary.
class Report {
public:
    explicit Report(const std::string& module_path);
    void row(const Group& group);
    // The summary line; returns the exit status (0 all passed, 1 otherwise).
    int finish();
    int failed() const { return failed_; }

private:
    int rows_ = 0;
    int failed_ = 0;
};

// The time limit of each call into the module, unless --time-limit says otherwise.
inline constexpr unsigned DEFAULT_CALL_LIMIT_SECONDS = 5;

// Where the validator finds what it needs.
struct Options {
    std::string module_path;
    std::string bitmap_folder;  // native bitmaps; empty: beside the module
    std::string sound_library;  // stand-in sound library; empty: searched
    unsigned call_limit_seconds = DEFAULT_CALL_LIMIT_SECONDS;  // each call into the module
};

// The facts a gauge is checked against, by its name.
struct GaugeFacts {
    const char* name;
    uint32_t size_x_mm;
    int32_t face_id;     // first id of the gauge's bitmap range
    int32_t last_id;     // last id of the range
    bool has_service;    // carries a gauge service callback
    bool lamps_two_valued;  // every lamp answers only -1 or 0, whatever the tokens
};
// The fixed gauge table: five entries, in order.
const std::vector<GaugeFacts>& gauge_facts();
// The facts of a gauge name, or null for a name the module must not have.
const GaugeFacts* facts_of(const std::string& name);

// Every key event of the module's catalogue.
bool in_catalogue(uint32_t event);
std::string event_text(uint32_t event);

// The face size of a bitmap id from the module's bitmap table; false for an
// id not in it.
bool bitmap_size(int32_t id, int& width, int& height);

// --- calls into the module ---

// Takes the host's trap calls and fails `group` with one line for each:
// "the module called PANELS word 30 (element_list_erase) during ...; ...".
// `seen` (optional) keeps a word reported once per key. Returns how many.
size_t report_traps(panelhost::Host& host, Group& group, std::set<std::string>* seen = nullptr,
                    const std::string& key = "");

// Runs one call into the module under the host's guard, named `what` for a
// trap call. False when a trap ended it: its results mean nothing.
template <class Call>
bool guarded(panelhost::Host& host, const std::string& what, Call&& call) {
    return host.guarded(panelhost::CallSite{what.c_str()}, std::forward<Call>(call));
}

// --- record walks (validate_records.cpp) ---

// The gauge's children: the face's list up to its null, at most `limit`.
// `terminated` tells whether a null was found within the limit.
std::vector<ELEMENT_HEADER*> children_of(const GAUGEHDR* header, bool* terminated = nullptr);
// The gauge's child mouse areas, in list order (empty for a malformed list).
std::vector<MOUSERECT*> child_areas(const GAUGEHDR* header);

Group check_linkage(panelhost::Host& host);
Group check_gauge_table(panelhost::Host& host);
Group check_header(panelhost::Host& host, GAUGEHDR* header, const GaugeFacts& facts);
Group check_tree(GAUGEHDR* header, const GaugeFacts& facts);
Group check_mouse(GAUGEHDR* header, const GaugeFacts& facts);
// Records no two gauges may share: elements, failure lists, mouse lists.
Group check_sharing(panelhost::Host& host);

// --- bitmaps (validate_bitmaps.cpp) ---
Group check_bitmaps(panelhost::Host& host, GAUGEHDR* header, const GaugeFacts& facts);

// --- hostile drive (validate_drive.cpp) ---
// What each call of a drive gave back, one line a call: the call and the
// situation, then its answer, text or result, the key events and lookups it
// made and the sound library's count. Two drives of the same module from a
// fresh load make the same calls, so their traces compare line by line.
using Trace = std::vector<std::string>;

// Starts a drive afresh: the tokens are the known ones again and no problem
// has been told yet (a second pass over a fresh load repeats the first).
void reset_drive();
// `trace`, if given, receives the drive's calls; `name` is the row's check
// group. With the host's working-words mode off, each also checks that the
// module wrote none of the engine's words (host/working_words.h).
Group check_callbacks(panelhost::Host& host, GAUGEHDR* header, const GaugeFacts& facts, Trace* trace = nullptr,
                      const char* name = "callbacks");
Group check_clicks(panelhost::Host& host, GAUGEHDR* header, const GaugeFacts& facts, Trace* trace = nullptr,
                   const char* name = "clicks");
// The working-words row of a gauge: its drive repeated with the engine's
// working data written into the engine's words before every call
// (`working`, and the problems that drive found) against the drive with those
// words 0 (`clean`, and its problems). Any difference fails.
Group check_working(const GaugeFacts& facts, const Trace& clean, const std::set<std::string>& clean_problems,
                    const Trace& working, const std::vector<std::string>& working_problems);

// --- crash guard (validate_crash.cpp) ---
// Installs handlers that, if the module crashes, if a named call does not
// return within `call_limit_seconds`, or if the process ends before
// verdict_given(), print a FAIL line naming what was running (or ran last)
// and end the process with status 1.
void install_crash_guard(unsigned call_limit_seconds);
// Names what runs next, for the crash line: "gauge check: what".
void crash_context(const char* gauge, const char* group, const char* what_format, ...);
void clear_crash_context();
// The report has its verdict: the process may end.
void verdict_given();


// --- the gauge file's own headers (validate_pe.cpp) ---
// Every problem of a Windows gauge file's bytes, one line each: its headers
// and sections inside the file, a length that matches its headers, machine
// i386, a DLL, the exports ImportTable and Linkage. `summary` (optional)
// receives what a sound file was found to be.
std::vector<std::string> pe_problems(const std::string& bytes, std::string* summary = nullptr);
// The "(module) file" row of a Windows gauge file.
Group check_pe_file(const std::string& path);

// --- Windows gauge files on a native machine (validate_wine.cpp) ---
// True for a file that begins like a Windows program or library.
bool is_windows_binary(const std::string& path);
// Runs the Windows validator under Wine on `options.module_path` and returns
// its exit status (2 when it cannot be run, with a message on stderr).
int run_under_wine(const Options& options);

}  // namespace validate
