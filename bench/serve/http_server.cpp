#include "bench/serve/http_server.h"

#include <httplib.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "bench/common/script.h"
#include "bench/serve/api.h"
#include "bench/serve/document.h"
#include "bench/serve/own_origin.h"
#include "bench/serve/simulation_thread.h"

namespace serve {

namespace {

// Every connection on a thread of its own, up to MOST_THREADS at once;
// further connections wait for one to end. The library's own pool (eight
// threads on a small machine) is held whole by eight clients that send
// their headers slowly, and the page then waits for as long as they last.
class ConnectionThreads final : public httplib::TaskQueue {
public:
    static constexpr size_t MOST_THREADS = 256;

    void enqueue(std::function<void()> job) override {
        {
            std::lock_guard lock(mutex_);
            waiting_.push_back(std::move(job));
            if (waiting_.size() > idle_ && threads_.size() < MOST_THREADS) threads_.emplace_back([this] { work(); });
        }
        wake_.notify_one();
    }
    // Runs what is still waiting, then ends every thread.
    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        for (std::thread& thread : threads_) thread.join();
        threads_.clear();
    }

private:
    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            --idle_;
            if (waiting_.empty()) return;
            std::function<void()> job = std::move(waiting_.front());
            waiting_.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> waiting_;
    std::vector<std::thread> threads_;
    size_t idle_ = 0;
    bool stopping_ = false;
};

}  // namespace

struct HttpServer::Impl {
    httplib::Server server;
    OwnOrigin own{.token = new_token()};
    socket_t listening_socket = INVALID_SOCKET;  // the socket the library made, once bound
    // A stop may come before listening has begun (a Ctrl-C at start-up): it
    // is remembered, and a stop during listening waits until the server runs.
    std::mutex mutex;
    bool stop_asked = false;
    bool listening = false;
    std::atomic<bool> done{false};
};

namespace {

std::optional<std::string> header(const httplib::Request& in, const char* name) {
    if (!in.has_header(name)) return std::nullopt;
    return in.get_header_value(name);
}

void adapt(SimulationThread& simulation, const OwnOrigin& own, const httplib::Request& in, httplib::Response& out) {
    std::string query;
    if (size_t mark = in.target.find('?'); mark != std::string::npos) query = in.target.substr(mark + 1);
    const Request request{.method = in.method,
                          .path = in.path,
                          .query = query,
                          .body = in.body,
                          .host = header(in, "Host"),
                          .origin = header(in, "Origin"),
                          .content_type = header(in, "Content-Type"),
                          .token = header(in, TOKEN_HEADER)};
    Response answer = handle(simulation, request, own);
    out.status = answer.status;
    // What is sent is only ever what its type says (a file downloaded is never taken for a page).
    out.set_header("X-Content-Type-Options", "nosniff");
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
    server.set_socket_options([this](socket_t socket) {
        int yes = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        impl_->listening_socket = socket;
    });
    // Slow clients: each connection has a thread (see ConnectionThreads), and
    // one that sends nothing for two seconds is closed.
    server.new_task_queue = [] { return new ConnectionThreads; };
    server.set_read_timeout(2, 0);
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
    auto route = [&simulation, this](const httplib::Request& in, httplib::Response& out) {
        adapt(simulation, impl_->own, in, out);
    };
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
    } else if (!server.bind_to_port(HOST, port)) {
        throw bench::BenchError(std::string("cannot listen on ") + HOST + ":" + std::to_string(port) +
                                ": the port is in use (choose another with --port N, or --port 0 for any free one)");
    }
    // The library listens with a backlog of five, and connections past it
    // are reset under load; listening again sets the system's maximum (the
    // kernel takes the most it allows, net.core.somaxconn).
    ::listen(impl_->listening_socket, INT_MAX);
    impl_->own.port = port;
    return port;
}

const std::string& HttpServer::token() const { return impl_->own.token; }

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
