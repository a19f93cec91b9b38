#include "bench/serve/own_origin.h"

#include <cctype>
#include <cstdio>
#include <random>

namespace serve {

namespace {

Response line(int status, const std::string& text) { return Response{.status = status, .body = text + "\n"}; }

// A header's value as quoted in a message: short, without control characters.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text.substr(0, 80)) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return out + (text.size() > 80 ? "...\"" : "\"");
}

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Whether `authority` ("127.0.0.1:8022") names this server: one of its
// addresses with its port (without one only when the port is HTTP's own).
bool own_authority(const std::string& authority, int port) {
    const std::string given = lower(authority);
    for (const char* address : {"127.0.0.1", "localhost", "[::1]"}) {
        if (given == std::string(address) + ":" + std::to_string(port)) return true;
        if (port == 80 && given == address) return true;
    }
    return false;
}

// Compares in time that does not depend on where the texts differ.
bool same_token(const std::string& given, const std::string& token) {
    if (given.size() != token.size()) return false;
    unsigned char differ = 0;
    for (size_t i = 0; i < token.size(); ++i) differ |= static_cast<unsigned char>(given[i] ^ token[i]);
    return differ == 0;
}

bool json_type(const std::string& content_type) {
    std::string type = lower(content_type.substr(0, content_type.find(';')));
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.pop_back();
    while (!type.empty() && (type.front() == ' ' || type.front() == '\t')) type.erase(type.begin());
    return type == "application/json";
}

}  // namespace

std::string new_token() {
    std::random_device random;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", unsigned(random()));
        token += part;
    }
    return token;
}

std::optional<Response> refusal(const Request& r, const OwnOrigin& own) {
    const std::string address = "http://127.0.0.1:" + std::to_string(own.port) + "/";
    if (!r.host || !own_authority(*r.host, own.port))
        return line(403, "this server answers only at " + address + " (the request's Host is " +
                             (r.host ? quoted(*r.host) : "not given") + ")");
    if (r.origin && !(r.origin->starts_with("http://") && own_authority(r.origin->substr(7), own.port)))
        return line(403, "a page at " + quoted(*r.origin) + " may not use this server; only its own page at " +
                             address + " does");
    if (r.method == "GET" || r.method == "HEAD") return std::nullopt;
    if (!r.content_type || !json_type(*r.content_type))
        return line(415, "a request that changes the session is sent as application/json");
    if (!r.token || !same_token(*r.token, own.token))
        return line(403, std::string("a request that changes the session carries this run's token in ") +
                             TOKEN_HEADER + " (the page reads it from GET /api/token)");
    return std::nullopt;
}

Response handle(SessionHolder& sessions, const Request& request, const OwnOrigin& own) {
    if (std::optional<Response> refused = refusal(request, own)) return std::move(*refused);
    if (request.path == "/api/token" && (request.method == "GET" || request.method == "HEAD"))
        return Response{.content_type = "application/json", .body = "{\"token\":\"" + own.token + "\"}"};
    return handle(sessions, request);
}

}  // namespace serve
