// `panelbench serve`: the bench's fourth command. A web server on 127.0.0.1
// offers a page on which a person flies the panel in a browser: the gauges
// drawn from the module's own bitmaps, clicks hit-tested by the host, the
// simulated aircraft, the timeline, the chime, and the session written out as
// a scenario that `panelbench run` replays.
//
// Files: session (one person's session: simulation, timeline, recording),
// simulation_thread (the one thread that owns the module, and its queue),
// api (requests to answers, without sockets), own_origin (whom the HTTP
// server answers), serve.cpp (the command and the HTTP adapter), page/ (the page's HTML, script and style, built into
// the program).
#pragma once

#include <string>
#include <vector>

namespace serve {

// Runs `panelbench serve [PANEL_CFG] [--port N] [--module PATH] [--sound PATH]
// [--bitmaps DIR] [--paused]` until interrupted; throws on bad arguments, a
// module that cannot be loaded, a bad panel configuration or a port in use.
int serve_command(const std::vector<std::string>& args, const std::string& default_module);

}  // namespace serve
