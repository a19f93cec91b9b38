// The served page's own origin, and nothing else, drives the server. A
// browser lets any page it shows send requests to 127.0.0.1, and a name
// that an attacker's server resolves anew to 127.0.0.1 (DNS rebinding)
// makes a foreign page same-origin with ours; so the HTTP server answers
//   - only a Host that is its own address: 127.0.0.1, localhost or [::1],
//     with its port;
//   - no request with an Origin other than its own (a page elsewhere);
// and takes a state-changing request (any method but GET and HEAD) only
//   - with a JSON content type, which a page elsewhere cannot send without
//     asking first (a preflight, which this server never grants), and
//   - with this run's token in the X-Panelbench-Token header. The served
//     page reads it from GET /api/token, which only its own origin can read.
// A script on the machine (curl) reads as before; to change the session it
// sends the token, the content type and a Host of 127.0.0.1:PORT.
//
// The page file of the WebAssembly build calls the request handling in the
// page itself, with no server and no network: none of this applies there.
#pragma once

#include <optional>
#include <string>

#include "bench/serve/api.h"

namespace serve {

struct OwnOrigin {
    int port = 0;
    std::string token;  // this run's, from new_token()
};

// The header that carries the token.
inline constexpr const char* TOKEN_HEADER = "X-Panelbench-Token";

// A token no other page can guess: 128 random bits in hexadecimal.
std::string new_token();

// The one-line refusal of a request from elsewhere (403, or 415 for a
// content type that is not JSON), or none when the request may be served.
std::optional<Response> refusal(const Request& request, const OwnOrigin& own);

// What the HTTP server answers: a refusal, the token (GET /api/token), or
// the request handling's answer (api.h).
Response handle(SessionHolder& sessions, const Request& request, const OwnOrigin& own);

}  // namespace serve
