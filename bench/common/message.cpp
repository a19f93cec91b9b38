#include "bench/common/message.h"

namespace bench {

std::string cut_quoted(const std::string& message) {
    std::string out;
    size_t at = 0;
    while (at < message.size()) {
        const size_t open = message.find('"', at);
        if (open == std::string::npos) {
            out.append(message, at, std::string::npos);
            break;
        }
        out.append(message, at, open + 1 - at);
        const size_t close = message.find('"', open + 1);
        const size_t length = (close == std::string::npos ? message.size() : close) - open - 1;
        if (length > QUOTED_MAX) {
            out.append(message, open + 1, QUOTED_MAX);
            out += "...";
        } else {
            out.append(message, open + 1, length);
        }
        if (close == std::string::npos) break;
        out += '"';
        at = close + 1;
    }
    return out;
}

}  // namespace bench
