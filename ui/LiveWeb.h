// The live pages for spectators in the program: the server switched on and off
// as the settings [Web] say, the settings tab that says what it exposes, and the
// window with the address and its QR code for the phones around the track.
#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

#include <string>

#include "web/WebServer.h"

class QLabel;

namespace zk {

class RaceSystem;
class RaceCommands;

// A QR code of `text` (libqrencode, error correction M): black modules of
// `modul` pixels on white, with the four-module quiet zone. Null on failure.
QImage QrCodeBild(const QString& text, int modul = 6);

// What the pages show and what they cannot do, for the settings and the window.
QString LiveWebHinweis();

// Owns the server of the program. Abgleichen (once a cycle, on the UI thread)
// starts, restarts or stops it when [Web] changed since the last call; a start
// that fails is not retried until the settings change again.
class LiveWebSteuerung {
public:
    explicit LiveWebSteuerung(RaceSystem& sys);
    ~LiveWebSteuerung();
    // True when the server's state changed (the status line shows it anew).
    bool Abgleichen();
    void Stoppen();
    // "Live: http://192.168.1.20:8080/", the failure, or "" while off.
    QString StatusText() const;
    QString Adresse() const { return QString::fromStdString(server_.Address()); }

private:
    RaceSystem& sys_;
    WebServer server_;
    int aktiv_ = -1, port_ = -1, nurLokal_ = -1;
    std::string ordner_;
    QString fehler_;
};

// The settings tab "Live-Seiten": on/off, port, this computer only, and what is
// exposed. Shows `sys`; its changes go through `cmd`.
QWidget* LiveWebSeite(const RaceSystem& sys, RaceCommands& cmd, QWidget* parent);

// The address and its QR code, large enough to scan from a few steps away.
class LiveWebFenster : public QDialog {
public:
    LiveWebFenster(LiveWebSteuerung& web, QWidget* parent);
    void Aktualisieren();

private:
    LiveWebSteuerung& web_;
    QLabel* adresse_ = nullptr;
    QLabel* code_ = nullptr;
};

}  // namespace zk
