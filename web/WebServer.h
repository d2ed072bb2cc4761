// The live-timing web server for spectators: Qt HttpServer for the pages and
// the saved results, Qt WebSockets (upgraded on the same port) for the push of
// each new snapshot. It runs in a thread of its own with its own event loop, so
// a client never touches the UI thread, and the tick not at all: the UI thread
// only hands over the newest snapshot (a copy under a short lock) and returns.
//
// Read-only: only GET, only the program's own pages (Qt resources) and the
// result pages named in the listing of the result folder. Bounded: at most
// kMaxClients connections, kMaxRequestBytes received on a connection, an idle
// HTTP connection closed after kIdleMs, and a client that does not read what it
// is sent dropped once kMaxQueuedBytes wait for it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "system/LiveServer.h"

namespace zk {

class WebServer : public LiveServer {
public:
    static constexpr int kMaxClients = 150;
    static constexpr int64_t kMaxRequestBytes = 64 * 1024;
    static constexpr int64_t kMaxQueuedBytes = 512 * 1024;
    static constexpr int kIdleMs = 15000;
    static constexpr int64_t kMaxResultFileBytes = 4 * 1024 * 1024;

    WebServer();
    ~WebServer() override;

    bool Start(const std::string& address, int port, const std::string& resultDir, std::string* error) override;
    void Stop() override;
    bool Running() const override { return running_.load(std::memory_order_acquire); }
    std::string Address() const override;
    void Publish(const std::string& snapshotJson) override;

    // The port it listens on (0 while stopped).
    int Port() const { return port_.load(); }
    // Connections open now and connections refused or dropped so far (tests, benchmarks).
    int Clients() const { return clients_.load(); }
    int Dropped() const { return dropped_.load(); }

    // The address spectators are shown: a bound address as it is, for "any"
    // the first non-loopback IPv4 address of the machine.
    static std::string ShownAddress(const std::string& bound, int port);

    struct Shared;  // what the UI thread and the server thread share

private:
    class Thread;
    std::unique_ptr<Thread> thread_;
    std::shared_ptr<Shared> shared_;
    std::atomic<bool> running_{false};
    std::atomic<int> port_{0};
    std::atomic<int> clients_{0};
    std::atomic<int> dropped_{0};
    std::string address_;
};

}  // namespace zk
