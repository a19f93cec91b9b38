#include "bench/serve/http_server.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "bench/common/script.h"
#include "bench/serve/api.h"
#include "bench/serve/document.h"
#include "bench/serve/simulation_thread.h"

namespace serve {

struct HttpServer::Impl {
    httplib::Server server;
    // A stop may come before listening has begun (a Ctrl-C at start-up): it
    // is remembered, and a stop during listening waits until the server runs.
    std::mutex mutex;
    bool stop_asked = false;
    bool listening = false;
    std::atomic<bool> done{false};
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
    server.set_payload_max_length(DOCUMENT_MAX_BODY + MAX_BODY * 4);
    // The port is this server's alone: the library's default would let a
    // second server share it (SO_REUSEPORT), splitting requests between them.
    server.set_socket_options([](socket_t socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // Answers leave at once: a head and a body written apart would otherwise
    // wait on the small-packet delay, tens of milliseconds a click's answer.
    server.set_tcp_nodelay(true);
    // What the library refuses by itself (a body far too large, a request it cannot read) gets a line too.
    server.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& out) {
        if (!out.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        const std::string line = out.status == 413 ? "the body is larger than the " + std::to_string(DOCUMENT_MAX_BODY + MAX_BODY * 4) +
                                                         " bytes the server takes\n"
                                                   : "the request cannot be served (status " +
                                                         std::to_string(out.status) + ")\n";
        out.set_content(line, "text/plain; charset=utf-8");
        return httplib::Server::HandlerResponse::Handled;
    }));
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

void HttpServer::listen() {
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->stop_asked) return;
        impl_->listening = true;
    }
    impl_->server.listen_after_bind();
    impl_->done = true;
}

void HttpServer::stop() {
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stop_asked = true;
        if (!impl_->listening) return;
    }
    while (!impl_->server.is_running() && !impl_->done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    impl_->server.stop();
}

}  // namespace serve
