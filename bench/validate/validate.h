// `panelbench validate`: checks a gauge file before it ships. Loads the
// module through the project's host, walks every gauge's records against
// the rules the panel engine relies on, checks every bitmap, drives every
// callback and handler with hostile token values and clicks every area and a
// grid of points. Prints a table, one row per check group per gauge, with a
// line for each problem naming gauge, record and rule.
#pragma once

#include <string>
#include <vector>

// `args` are the words after "validate": MODULE_FILE [--bitmaps DIR]
// [--sound FILE]. A Windows gauge file given to the native program is handed
// to the Windows validator under Wine. Returns 0 when every check passed,
// 1 when one failed (or the module crashed), 2 on a usage error or when the
// Windows validator cannot be run.
int bench_validate(const std::vector<std::string>& args);
