#include "web/WebServer.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <functional>
#include <future>
#include <vector>

static void InitPages() { Q_INIT_RESOURCE(pages); }

namespace zk {

struct WebServer::Shared {
    std::mutex lock;
    std::string latest = "{}";
    bool pending = false;  // a push is queued in the server thread
};

namespace {

// One accepted connection, from its first byte to its close.
struct Conn {
    QPointer<QTcpSocket> tcp;
    qint64 opened = 0;
    qint64 lastRead = 0;
    qint64 received = 0;
    bool websocket = false;
};

qint64 NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

// A result page's name as the result files are named; nothing else is served.
bool ResultName(const QString& n) {
    static const QRegularExpression ok(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]{0,150}\\.html$"));
    return ok.match(n).hasMatch() && !n.contains(QStringLiteral(".."));
}

}  // namespace

// The listening socket: refuses a connection beyond the limit at once and
// watches every accepted one (bytes received, queued, idle time).
class Listener : public QTcpServer {
public:
    Listener(std::atomic<int>& clients, std::atomic<int>& dropped) : clients_(clients), dropped_(dropped) {}

    std::vector<Conn> conns;

    // Drops what is closed, closes what broke a limit; refreshes the count.
    void Sweep() {
        const qint64 now = NowMs();
        std::vector<Conn> keep;
        keep.reserve(conns.size());
        for (auto& c : conns) {
            if (!c.tcp || c.tcp->state() == QAbstractSocket::UnconnectedState) continue;
            if (c.tcp->bytesToWrite() > WebServer::kMaxQueuedBytes ||
                (!c.websocket && now - c.lastRead > WebServer::kIdleMs)) {
                Drop(c);
                continue;
            }
            keep.push_back(c);
        }
        conns.swap(keep);
        clients_.store(static_cast<int>(conns.size()));
    }

    Conn* Find(const QHostAddress& a, quint16 port) {
        for (auto& c : conns)
            if (c.tcp && c.tcp->peerPort() == port && c.tcp->peerAddress() == a) return &c;
        return nullptr;
    }

    void Drop(Conn& c) {
        ++dropped_;
        if (c.tcp) c.tcp->abort();
    }

protected:
    void incomingConnection(qintptr fd) override {
        Sweep();
        auto* s = new QTcpSocket(this);
        if (!s->setSocketDescriptor(fd)) {
            delete s;
            return;
        }
        if (static_cast<int>(conns.size()) >= WebServer::kMaxClients) {
            ++dropped_;
            s->abort();
            s->deleteLater();
            return;
        }
        // A small kernel buffer, so a client that does not read shows up in
        // bytesToWrite soon instead of hiding megabytes in the kernel.
        s->setSocketOption(QAbstractSocket::SendBufferSizeSocketOption, 64 * 1024);
        const qint64 now = NowMs();
        conns.push_back(Conn{s, now, now, 0, false});
        clients_.store(static_cast<int>(conns.size()));
        // Connected before the HTTP server's own handler, so it sees each
        // chunk first. (An upgrade to a websocket disconnects it.)
        QPointer<QTcpSocket> p(s);
        connect(s, &QTcpSocket::readyRead, this, [this, p] {
            if (!p) return;
            for (auto& c : conns) {
                if (c.tcp != p) continue;
                c.lastRead = NowMs();
                c.received += p->bytesAvailable();
                if (c.received > WebServer::kMaxRequestBytes || p->bytesToWrite() > WebServer::kMaxQueuedBytes)
                    Drop(c);
                return;
            }
        });
        addPendingConnection(s);
    }

private:
    std::atomic<int>& clients_;
    std::atomic<int>& dropped_;
};

class WebServer::Thread : public QThread {
public:
    Thread(WebServer& owner, QHostAddress address, int port, QString resultDir)
        : owner_(owner), address_(std::move(address)), port_(port), resultDir_(std::move(resultDir)) {}

    std::promise<int> listening;  // the port, or -1
    QObject* hub = nullptr;       // lives in this thread; pushes are queued to it
    std::function<void()> push;   // runs in this thread: the newest snapshot to every page

protected:
    void run() override {
        QObject hubObject;
        QHttpServer http;
        Listener listener(owner_.clients_, owner_.dropped_);
        std::vector<std::unique_ptr<QWebSocket>> sockets;
        auto shared = owner_.shared_;

        const auto page = [](const char* path, const char* type) {
            QFile f(QString::fromLatin1(path));
            if (!f.open(QIODevice::ReadOnly)) return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound);
            QHttpServerResponse r(QByteArray(type), f.readAll());
            return r;
        };
        for (const char* view : {"/", "/gross", "/club", "/ergebnisse", "/kurven"})
            http.route(QString::fromLatin1(view), QHttpServerRequest::Method::Get,
                       [page] { return page(":/web/index.html", "text/html; charset=utf-8"); });
        // The push channel. The upgrade to a websocket needs a route that
        // answers nothing; a plain GET of it is a bad request.
        http.route("/live", [](const QHttpServerRequest& req, QHttpServerResponder&& responder) {
            if (req.value("upgrade").compare("websocket", Qt::CaseInsensitive) != 0 ||
                req.method() != QHttpServerRequest::Method::Get)
                responder.write(QHttpServerResponder::StatusCode::BadRequest);
        });
        http.route("/app.js", QHttpServerRequest::Method::Get,
                   [page] { return page(":/web/app.js", "text/javascript; charset=utf-8"); });
        http.route("/app.css", QHttpServerRequest::Method::Get,
                   [page] { return page(":/web/app.css", "text/css; charset=utf-8"); });
        http.route("/snapshot.json", QHttpServerRequest::Method::Get, [shared] {
            std::lock_guard<std::mutex> g(shared->lock);
            return QHttpServerResponse(QByteArray("application/json"), QByteArray::fromStdString(shared->latest));
        });
        const QString dir = resultDir_;
        // The saved results, newest first: names only, read from the folder.
        const auto listing = [dir] {
            QStringList names;
            if (dir.isEmpty()) return names;
            const auto all = QDir(dir).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Time);
            for (const auto& n : all)
                if (ResultName(n)) names << n;
            return names;
        };
        http.route("/ergebnisse.json", QHttpServerRequest::Method::Get, [listing] {
            QJsonArray a;
            for (const auto& n : listing()) a.append(n);
            return QHttpServerResponse(a);
        });
        // A result page: only a name the listing holds, never a path.
        http.route("/ergebnis/<arg>", QHttpServerRequest::Method::Get, [listing, dir](const QString& name) {
            if (!ResultName(name) || !listing().contains(name))
                return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound);
            QFile f(dir + QLatin1Char('/') + name);
            if (!f.open(QIODevice::ReadOnly) || f.size() > WebServer::kMaxResultFileBytes)
                return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound);
            QHttpServerResponse r(QByteArray("text/html; charset=utf-8"), f.read(WebServer::kMaxResultFileBytes));
            // The saved page runs no script and loads nothing.
            r.setHeader("Content-Security-Policy", "sandbox; default-src 'none'; style-src 'unsafe-inline'");
            return r;
        });
        http.afterRequest([](QHttpServerResponse&& r) {
            r.setHeader("Cache-Control", "no-store");
            r.setHeader("X-Content-Type-Options", "nosniff");
            if (!r.hasHeader("Content-Security-Policy"))
                r.setHeader("Content-Security-Policy",
                            "default-src 'self'; connect-src 'self' ws: wss:; img-src 'self' data:; frame-src 'self'");
            return std::move(r);
        });

        QObject::connect(&http, &QAbstractHttpServer::newWebSocketConnection, &hubObject, [&] {
            while (http.hasPendingWebSocketConnections()) {
                auto ws = http.nextPendingWebSocketConnection();
                if (!ws) break;
                ws->setMaxAllowedIncomingFrameSize(4096);
                ws->setMaxAllowedIncomingMessageSize(4096);
                if (Conn* c = listener.Find(ws->peerAddress(), ws->peerPort())) c->websocket = true;
                QWebSocket* raw = ws.get();
                QObject::connect(raw, &QWebSocket::disconnected, &hubObject, [&sockets, raw] {
                    for (auto& s : sockets)
                        if (s.get() == raw) s.release()->deleteLater();
                    std::erase(sockets, nullptr);
                });
                // A page receives the current snapshot at once.
                std::string now;
                {
                    std::lock_guard<std::mutex> g(shared->lock);
                    now = shared->latest;
                }
                raw->sendTextMessage(QString::fromStdString(now));
                sockets.push_back(std::move(ws));
            }
        });

        // A push: the newest snapshot to every page; a page whose client has
        // not read the earlier ones is dropped instead of buffered.
        push = [&] {
            std::string now;
            {
                std::lock_guard<std::mutex> g(shared->lock);
                now = shared->latest;
                shared->pending = false;
            }
            const QString text = QString::fromStdString(now);
            // Dropping a client can close its socket at once, and its
            // `disconnected` takes it out of `sockets`: walk a copy (a socket
            // taken out is deleted later, not now).
            std::vector<QWebSocket*> pages;
            for (auto& ws : sockets) pages.push_back(ws.get());
            for (QWebSocket* ws : pages) {
                Conn* c = listener.Find(ws->peerAddress(), ws->peerPort());
                if (c && c->tcp && c->tcp->bytesToWrite() > WebServer::kMaxQueuedBytes) {
                    listener.Drop(*c);
                    continue;
                }
                ws->sendTextMessage(text);
            }
        };

        QTimer sweep;
        QObject::connect(&sweep, &QTimer::timeout, &hubObject, [&] { listener.Sweep(); });
        sweep.start(250);

        if (!listener.listen(address_, static_cast<quint16>(port_))) {
            listening.set_value(-1);
            return;
        }
        http.bind(&listener);
        hub = &hubObject;
        listening.set_value(listener.serverPort());
        exec();
        hub = nullptr;
        sweep.stop();
        // Closing a socket emits `disconnected`, which would change `sockets`
        // while it is walked: the handlers go first.
        std::vector<std::unique_ptr<QWebSocket>> closing = std::move(sockets);
        sockets.clear();
        for (auto& ws : closing) {
            QObject::disconnect(ws.get(), nullptr, &hubObject, nullptr);
            ws->abort();
        }
        closing.clear();
        listener.close();
    }

private:
    WebServer& owner_;
    QHostAddress address_;
    int port_;
    QString resultDir_;
};

WebServer::WebServer() : shared_(std::make_shared<Shared>()) { InitPages(); }

WebServer::~WebServer() { Stop(); }

bool WebServer::Start(const std::string& address, int port, const std::string& resultDir, std::string* error) {
    Stop();
    QHostAddress bind;
    if (address.empty() || address == "*" || address == "0.0.0.0") bind = QHostAddress::AnyIPv4;
    else if (!bind.setAddress(QString::fromStdString(address))) {
        if (error) *error = "Ungültige Adresse: " + address;
        return false;
    }
    if (port < 0 || port > 65535) {
        if (error) *error = "Ungültiger Port: " + std::to_string(port);
        return false;
    }
    {
        std::lock_guard<std::mutex> g(shared_->lock);
        shared_->pending = false;
    }
    thread_ = std::make_unique<Thread>(*this, bind, port, QString::fromStdString(resultDir));
    auto got = thread_->listening.get_future();
    thread_->start();
    const int p = got.get();
    if (p <= 0) {
        thread_->wait();
        thread_.reset();
        if (error) *error = "Port " + std::to_string(port) + " lässt sich nicht öffnen (belegt oder keine Berechtigung)";
        return false;
    }
    port_ = p;
    address_ = ShownAddress(bind == QHostAddress::AnyIPv4 ? std::string() : address, p);
    running_.store(true, std::memory_order_release);
    return true;
}

void WebServer::Stop() {
    running_.store(false, std::memory_order_release);
    if (!thread_) return;
    thread_->quit();
    thread_->wait();
    thread_.reset();
    port_ = 0;
    clients_ = 0;
    address_.clear();
}

std::string WebServer::Address() const { return Running() ? address_ : std::string(); }

void WebServer::Publish(const std::string& snapshotJson) {
    if (!Running()) return;
    {
        std::lock_guard<std::mutex> g(shared_->lock);
        shared_->latest = snapshotJson;
        if (shared_->pending) return;  // the queued push will take this one
        shared_->pending = true;
    }
    // The push runs in the server thread, queued to its event loop.
    Thread* t = thread_.get();
    if (t && t->hub) QMetaObject::invokeMethod(t->hub, [t] { t->push(); }, Qt::QueuedConnection);
}

std::string WebServer::ShownAddress(const std::string& bound, int port) {
    QString host = QString::fromStdString(bound);
    if (host.isEmpty()) {
        host = QStringLiteral("127.0.0.1");
        for (const auto& a : QNetworkInterface::allAddresses())
            if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
                host = a.toString();
                break;
            }
    }
    if (host.contains(QLatin1Char(':'))) host = QLatin1Char('[') + host + QLatin1Char(']');
    return "http://" + host.toStdString() + ":" + std::to_string(port) + "/";
}

}  // namespace zk
