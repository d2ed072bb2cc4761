// The live-timing web server for spectators, as the system sees it: started
// and stopped on the UI thread, handed a new snapshot (LiveSnapshot.h) when the
// race changed. The real one (web/WebServer) serves the pages and pushes the
// snapshots from a thread of its own; this stand-in does nothing, so the
// program, the replay and the tests run the same without a server.
#pragma once

#include <string>

namespace zk {

class LiveServer {
public:
    virtual ~LiveServer() = default;
    // Serves on `address`:`port` (port 0: any free one); the saved results are
    // listed from `resultDir` ("" = none). False with a German reason.
    virtual bool Start(const std::string& address, int port, const std::string& resultDir, std::string* error) {
        (void)address, (void)port, (void)resultDir;
        if (error) *error = "Kein Webserver in diesem Programm";
        return false;
    }
    virtual void Stop() {}
    virtual bool Running() const { return false; }
    // "http://192.168.1.20:8080/" while running, else "".
    virtual std::string Address() const { return {}; }
    // The newest snapshot; the server pushes it to every page that is open.
    virtual void Publish(const std::string& snapshotJson) { (void)snapshotJson; }
};

}  // namespace zk
