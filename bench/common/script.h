// Scenario scripts: plain text, one command a line, '#' starts a comment.
//
//   place GAUGE [as NAME]            put a gauge on the panel (service 2)
//   set TOKEN VALUE                  set a token value: by name in ft, ft/min or inHg,
//                                    by number in the module's own unit
//   click GAUGE CONTROL|X,Y [xN]     left click at a named control or a face point
//   cycles N                         run N panel cycles (1/18 s each)
//   fly SECONDS                      run the panel and the aircraft for that long
//   expect lamp GAUGE LEGEND on|off
//   expect text GAUGE READOUT "TEXT"
//   expect event EVENT [VALUE]       sent by the last action (click, cycles, fly, ...)
//   expect no event [EVENT]
//   expect chimes N                  chimes played since the start
//   expect token TOKEN VALUE [within TOLERANCE]
//   snapshot FILE.png [GAUGE|panel]  written under the output folder
//   sound next load|play RESULT      the sound library's next answer
//   note TEXT                        printed in the timeline
//
// The whole script is read and checked before anything runs.
//
// Run with a panel configuration, the configuration's gauges are on the
// panel before the first line, by the names the configuration gives them;
// a plain `place GAUGE` of one of them takes that gauge as it is, so that a
// script written for the bare bench runs on a laid-out panel too.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/common/catalogue.h"
#include "bench/common/panel_config.h"

namespace bench {

// A fault in the bench's input, with its place ("file:line: what").
struct BenchError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A command-line option's whole number from `low` to `high`; BenchError
// "WHAT takes a whole number from LOW to HIGH, not \"TEXT\"" otherwise.
int whole_number(const std::string& text, int low, int high, const std::string& what);

enum class Op {
    Place,
    Set,
    Click,
    Cycles,
    Fly,
    ExpectLamp,
    ExpectText,
    ExpectEvent,
    ExpectNoEvent,
    ExpectChimes,
    ExpectToken,
    Snapshot,
    SoundNext,
    Note,
};

struct Command {
    Op op = Op::Note;
    int line = 0;
    std::string source;  // the line as written, without its comment

    std::string gauge;       // the placed gauge's name on the panel (or "panel" for snapshots)
    std::string gauge_name;  // place: the module's gauge name
    const Instrument* instrument = nullptr;
    bool on_panel = false;   // place: the panel configuration has placed this gauge already

    int control = -1;  // click: index into instrument->controls, or -1 for a point
    int x = 0, y = 0;  // click at a point
    int repeat = 1;    // click xN

    uint32_t token = 0;    // set, expect token
    double value = 0;      // set, expect token: in the module's unit
    double tolerance = 0;  // expect token: in the module's unit
    double per_unit = 1;   // module units per unit written (ft/min for vertical_speed named by name)
    std::string unit;      // the unit written, for messages ("" for a token named by number)

    int legend = -1;   // expect lamp: index into instrument->legends
    int readout = -1;  // expect text: index into instrument->readouts
    bool on = false;   // expect lamp
    std::string text;  // expect text; note

    uint32_t event = 0;  // expect event / no event (0: any event)
    bool has_value = false;
    int32_t event_value = 0;

    int64_t count = 0;  // cycles, expect chimes, and fly in cycles
    std::string path;   // snapshot: relative to the output folder

    int32_t sound_op = 0;  // sound next: 1 load, 7 play
    int32_t sound_result = 0;
};

struct Script {
    std::string file;
    std::vector<Command> commands;
};

// Parses and checks a whole script, with the gauges of `panel` (if any)
// already on the panel; throws BenchError naming file and line.
Script parse_script(const std::string& text, const std::string& file, const PanelConfig* panel = nullptr);
// Reads and parses a script file; throws BenchError for a missing file too.
Script load_script(const std::string& path, const PanelConfig* panel = nullptr);

struct Word {
    std::string text;
    bool quoted = false;
};

// Splits a line into words: blanks separate, "..." is one word (inside it a
// backslash escapes a quote or a backslash), '#' outside quotes starts a
// comment. Throws std::invalid_argument for an unterminated quote or a
// stray one.
std::vector<Word> split_words(const std::string& line);

}  // namespace bench
