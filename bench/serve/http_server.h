// The HTTP server on 127.0.0.1: cpp-httplib's, every request handed to the
// request handling (api.h) and its answer back; only its own page drives it
// (own_origin.h).
#pragma once

#include <memory>
#include <string>

namespace serve {

class SimulationThread;

class HttpServer {
public:
    explicit HttpServer(SimulationThread& simulation);
    ~HttpServer();

    // Binds to 127.0.0.1:`port` (0: any free port) and returns the port;
    // throws BenchError when the port is in use.
    int bind(int port);
    // Serves until stop() is called (from another thread), at once if it was called before.
    void listen();
    void stop();
    // This run's token, which a state-changing request carries (own_origin.h).
    const std::string& token() const;

    static constexpr const char* HOST = "127.0.0.1";

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace serve
