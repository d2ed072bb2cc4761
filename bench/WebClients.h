// N websocket clients of the live pages on loopback, in a thread of their own,
// reading every push (the load of a room full of phones for the benchmarks).
#pragma once

#include <QThread>
#include <QUrl>
#include <QWebSocket>

#include <atomic>
#include <memory>
#include <vector>

namespace zk::bench {

class WebClients : public QThread {
public:
    WebClients(int n, int port) : n_(n), port_(port) {}
    std::atomic<int> open{0};
    std::atomic<long> messages{0};

    // Waits up to `ms` for every client to be connected; returns how many are.
    int WaitOpen(int ms) {
        for (int waited = 0; open.load() < n_ && waited < ms; waited += 10) QThread::msleep(10);
        return open.load();
    }

protected:
    void run() override {
        std::vector<std::unique_ptr<QWebSocket>> all;
        for (int i = 0; i < n_; ++i) {
            auto ws = std::make_unique<QWebSocket>();
            QObject::connect(ws.get(), &QWebSocket::connected, [this] { ++open; });
            QObject::connect(ws.get(), &QWebSocket::textMessageReceived, [this](const QString&) { ++messages; });
            ws->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/live").arg(port_)));
            all.push_back(std::move(ws));
        }
        exec();
        for (auto& ws : all) ws->abort();
    }

private:
    int n_, port_;
};

}  // namespace zk::bench
