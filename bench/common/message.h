// Text taken from a file and quoted in a message is cut, so that a refusal
// stays one short line whatever the file holds (a 1 MB line, say).
#pragma once

#include <cstddef>
#include <string>

namespace bench {

inline constexpr size_t QUOTED_MAX = 80;

// `message` with every quoted part ("...") longer than QUOTED_MAX characters
// cut to its first QUOTED_MAX and "...", and a quote left open cut the same.
std::string cut_quoted(const std::string& message);

}  // namespace bench
