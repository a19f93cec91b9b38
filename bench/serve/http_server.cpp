#include "bench/serve/http_server.h"

#include <httplib.h>

#include "bench/common/script.h"
#include "bench/serve/api.h"
#include "bench/serve/simulation_thread.h"

namespace serve {

struct HttpServer::Impl {
    httplib::Server server;
};

namespace {

void adapt(SimulationThread& simulation, const httplib::Request& in, httplib::Response& out) {
    std::string query;
    if (size_t mark = in.target.find('?'); mark != std::string::npos) query = in.target.substr(mark + 1);
    Response answer = handle(simulation, Request{.method = in.method, .path = in.path, .query = query, .body = in.body});
    out.status = answer.status;
    bool cache_named = false;
    for (const auto& [name, value] : answer.headers) {
        out.set_header(name, value);
        cache_named = cache_named || name == "Cache-Control";
    }
    if (!cache_named) out.set_header("Cache-Control", "no-store");
    out.set_content(std::move(answer.body), answer.content_type.c_str());
}

}  // namespace

HttpServer::HttpServer(SimulationThread& simulation) : impl_(std::make_unique<Impl>()) {
    httplib::Server& server = impl_->server;
    // Bodies a little over the handler's limit reach it and get its message; far larger ones are cut off here.
    server.set_payload_max_length(MAX_BODY * 4);
    auto route = [&simulation](const httplib::Request& in, httplib::Response& out) { adapt(simulation, in, out); };
    server.Get(".*", route);
    server.Post(".*", route);
    server.Put(".*", route);
    server.Delete(".*", route);
    server.Patch(".*", route);
    server.Options(".*", route);
}

HttpServer::~HttpServer() = default;

int HttpServer::bind(int port) {
    httplib::Server& server = impl_->server;
    if (port == 0) {
        port = server.bind_to_any_port(HOST);
        if (port < 0) throw bench::BenchError(std::string("cannot listen on ") + HOST + ": no free port");
        return port;
    }
    if (!server.bind_to_port(HOST, port))
        throw bench::BenchError(std::string("cannot listen on ") + HOST + ":" + std::to_string(port) +
                                ": the port is in use (choose another with --port N, or --port 0 for any free one)");
    return port;
}

void HttpServer::listen() { impl_->server.listen_after_bind(); }

void HttpServer::stop() { impl_->server.stop(); }

}  // namespace serve
