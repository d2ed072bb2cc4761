// zirkato: the race-management and lap-timing program.
//
// Usage: zirkato [--data-dir DIR] [--help] [--version]
#include <QApplication>
#include <QIcon>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "devices/LptIo.h"
#include "devices/LptOpen.h"
#include "devices/TermiosLine.h"
#include "race/NetzTeil.h"
#include "tick/I2CBus.h"
#include "devices/SdlAudioOutput.h"
#include "race/Zeitansage.h"
#include "settings/DataDir.h"
#include "base/Clock.h"
#include "base/Version.h"
#include "system/RaceSystem.h"
#include "ui/FrmMain.h"
#include "ui/GlobalKeys.h"
#include "ui/IniStore.h"

namespace {

// Exit status when there is no display to show the windows on.
constexpr int kExitNoDisplay = 3;

int g_signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 1;
    // Only async-signal-safe work here: the main loop does the rest.
    [[maybe_unused]] const ssize_t n = write(g_signalPipe[1], &c, 1);
}

// The port the race code uses; the device behind it is chosen once the settings
// are read.
class PortSwitch final : public zk::LptIo {
public:
    uint8_t Inp32(uint16_t a) override { return inner_->Inp32(a); }
    void Out32(uint16_t a, uint8_t v) override { inner_->Out32(a, v); }
    bool Available() const override { return inner_->Available(); }
    std::string Description() const override { return inner_->Description(); }
    void Set(std::unique_ptr<zk::LptIo> p) { inner_ = std::move(p); }

private:
    std::unique_ptr<zk::LptIo> inner_ = std::make_unique<zk::NullLptIo>();
};

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::printf(
                "Aufruf / usage: zirkato [--data-dir VERZEICHNIS]\n"
                "\n"
                "Rennverwaltung und Zeitmessung für Slotcar-Bahnen mit bis zu acht Spuren.\n"
                "Race management and lap timing for slot-car tracks with up to eight lanes.\n"
                "\n"
                "  --data-dir VERZEICHNIS  Datenverzeichnis (Zirkato.ini, Ergebnisse, Listen) /\n"
                "                          data directory (settings file, results, lists)\n"
                "  --help                  dieser Text / this text\n"
                "  --version               Programmversion / program version\n"
                "\n"
                "Ohne --data-dir: $ZIRKATO_DATA_DIR, sonst $XDG_DATA_HOME/zirkato (~/.local/share/zirkato).\n"
                "Without --data-dir: $ZIRKATO_DATA_DIR, else $XDG_DATA_HOME/zirkato (~/.local/share/zirkato).\n");
            return 0;
        }
        if (a == "--version") {
            std::printf("zirkato %s\n", zk::ProgramVersion());
            return 0;
        }
    }
    std::string error;
    zk::DataDirOption(argc, argv, &error);
    std::string dataDir;
    if (error.empty()) dataDir = zk::ResolveDataDir(zk::DataDirSourcesOf(argc, argv), &error);
    if (!error.empty() || dataDir.empty()) {
        std::fprintf(stderr, "zirkato: %s\n", error.c_str());
        return 2;
    }
    if (!zk::DisplayReachable()) {
        // One line, German and English, instead of the toolkit's abort.
        const std::string cmd = std::string("xvfb-run -a -s '-screen 0 1920x1080x24' ") + argv[0];
        std::fprintf(stderr,
                     "zirkato: Kein Bildschirm – in einer Desktop-Sitzung starten oder mit: %s / "
                     "No display – start it in a desktop session or with: %s\n",
                     cmd.c_str(), cmd.c_str());
        return kExitNoDisplay;
    }

    // SIGTERM and SIGINT close the program through its normal shutdown. The
    // handler is in place before anything else starts, so a signal during
    // start-up waits in the pipe until the main loop runs.
    if (pipe(g_signalPipe) == 0) {
        fcntl(g_signalPipe[0], F_SETFD, FD_CLOEXEC);
        fcntl(g_signalPipe[1], F_SETFD, FD_CLOEXEC);
        fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zirkato"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zirkato"));
    QApplication::setDesktopFileName(QStringLiteral("zirkato"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/zirkato.png")));
    QApplication::setQuitOnLastWindowClosed(false);

    zk::MonotonicMsClock clock;
    zk::SystemWallClock wall;
    PortSwitch port;
    zk::RaceSystem sys(clock, port, wall);
    // The serial line to the display boards; frmMain opens it after the settings.
    zk::TermiosSerialLine serial;
    sys.SetSerial(&serial);
    // The bus engine and the supply on it, in place before the tick starts.
    zk::I2CBus bus;
    zk::BusNetzteil netzteil(sys);
    sys.SetBus(&bus);
    sys.SetSupply(&netzteil);
    sys.SetDataDir(dataDir);
    zk::ThreadTickControl tick(sys);
    zk::IniSettingsStore store(zk::DataPath(dataDir, zk::kIniFileName));
    // Spoken lap times: the user's recordings in the data directory's Sounds
    // folder first, then the clips that ship with the program.
    zk::SdlAudioOutput audio;
    zk::Zeitansage ansage(sys, audio);
    ansage.SetSoundDirs(zk::SoundDirs(dataDir, zk::DataDirSourcesOf(argc, argv).exeDir));
    sys.SetAnnouncer(&ansage);
    zk::MainOptions opt;
    opt.ansage = &ansage;
    opt.openPort = [&port](zk::RaceSystem& s, zk::UiPort& ui) { port.Set(zk::OpenLptIo(s.cfg.Lpt.Port, ui)); };
    zk::frmMain main(sys, tick, store, opt);

    QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &main, [&] {
        char buf[16];
        [[maybe_unused]] const ssize_t n = read(g_signalPipe[0], buf, sizeof buf);
        store.SetUnattended();
        // No question about a running race: the shutdown stops it and saves.
        main.Shutdown();
        main.close();
    });
    // Session logout: shut down properly before the session ends. Neither this nor
    // a signal waits for a click on a message box.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &main, [&](QSessionManager&) {
        store.SetUnattended();
        main.Shutdown();
    });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &main, [&] {
        store.SetUnattended();
        main.Shutdown();
    });
    // Closing the main window ends the program once its shutdown has run.
    QObject::connect(&main, &zk::frmMain::Closed, &app, &QCoreApplication::quit, Qt::QueuedConnection);

    main.show();
    const int rc = app.exec();
    store.SetUnattended();
    main.Shutdown();
    return rc;
}
