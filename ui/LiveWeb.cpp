#include "ui/LiveWeb.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <qrencode.h>

#include "race/RaceResult.h"
#include "system/RaceCommands.h"
#include "system/RaceSystem.h"

namespace zk {

QImage QrCodeBild(const QString& text, int modul) {
    const QByteArray utf8 = text.toUtf8();
    QRcode* code = QRcode_encodeString(utf8.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code) return {};
    constexpr int kRand = 4;
    const int seite = (code->width + 2 * kRand) * modul;
    QImage bild(seite, seite, QImage::Format_RGB32);
    bild.fill(Qt::white);
    QPainter p(&bild);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1)
                p.fillRect((x + kRand) * modul, (y + kRand) * modul, modul, modul, Qt::black);
    p.end();
    QRcode_free(code);
    return bild;
}

QString LiveWebHinweis() {
    return QString::fromUtf8(
        "Die Live-Seiten zeigen jedem im Netz der Bahn, der die Adresse aufruft: Rennstand und "
        "Rennstatus, Fahrernamen, Runden- und Bestzeiten, Abstände, Tank, die Rundenzeiten des "
        "laufenden Rennens, beim Clubrennen Laufplan und Rangliste, und die gespeicherten "
        "Ergebnisse des Ordners „Ergebnisse“. Sonst nichts: keine Einstellungen, keine anderen "
        "Dateien. Die Seiten können im Programm nichts verändern, und die Zeitnahme wartet nie "
        "auf sie. Ohne Passwort: nur in einem Netz einschalten, dem man traut.");
}

LiveWebSteuerung::LiveWebSteuerung(RaceSystem& sys) : sys_(sys) { sys_.SetLive(&server_); }

LiveWebSteuerung::~LiveWebSteuerung() { Stoppen(); }

void LiveWebSteuerung::Stoppen() {
    sys_.SetLive(nullptr);
    server_.Stop();
}

bool LiveWebSteuerung::Abgleichen() {
    const auto& w = sys_.cfg.Web;
    const std::string ordner =
        sys_.datenVerzeichnis.empty() ? std::string() : sys_.datenVerzeichnis + "/" + kErgebnisOrdner;
    if (w.Aktiv == aktiv_ && w.Port == port_ && w.NurLokal == nurLokal_ && ordner == ordner_) return false;
    aktiv_ = w.Aktiv;
    port_ = w.Port;
    nurLokal_ = w.NurLokal;
    ordner_ = ordner;
    fehler_.clear();
    server_.Stop();
    if (aktiv_ == 1) {
        std::string warum;
        const int port = port_ >= 1 ? port_ : 8080;
        if (!server_.Start(nurLokal_ == 1 ? "127.0.0.1" : "", port, ordner_, &warum))
            fehler_ = QString::fromUtf8("Live-Seiten: ") + QString::fromStdString(warum);
    }
    return true;
}

QString LiveWebSteuerung::StatusText() const {
    if (!fehler_.isEmpty()) return fehler_;
    return server_.Running() ? QStringLiteral("Live: ") + Adresse() : QString();
}

QWidget* LiveWebSeite(const RaceSystem& sys, RaceCommands& cmd, QWidget* parent) {
    auto* page = new QWidget(parent);
    auto* v = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    auto* an = new QCheckBox(QString::fromUtf8("Live-Seiten für Zuschauer einschalten"), page);
    an->setObjectName("chkWebAktiv");
    an->setChecked(sys.cfg.Web.Aktiv == 1);
    auto* port = new QSpinBox(page);
    port->setObjectName("txtWebPort");
    port->setRange(1, 32767);
    port->setValue(sys.cfg.Web.Port >= 1 ? sys.cfg.Web.Port : 8080);
    auto* lokal = new QCheckBox(QString::fromUtf8("nur auf diesem Computer (zum Ausprobieren)"), page);
    lokal->setObjectName("chkWebNurLokal");
    lokal->setChecked(sys.cfg.Web.NurLokal == 1);
    form->addRow(an);
    form->addRow(QStringLiteral("Port:"), port);
    form->addRow(lokal);
    v->addLayout(form);
    auto* hinweis = new QLabel(LiveWebHinweis(), page);
    hinweis->setWordWrap(true);
    v->addWidget(hinweis);
    auto* wo = new QLabel(QString::fromUtf8("Adresse und QR-Code: Menü „Ansicht“ → „Live-Seiten für Zuschauer“. "
                                            "Die Änderungen gelten sofort."),
                          page);
    wo->setWordWrap(true);
    v->addWidget(wo);
    v->addStretch();
    QObject::connect(an, &QCheckBox::toggled, page, [&cmd](bool on) { cmd.WebAktivSetzen(on); });
    QObject::connect(lokal, &QCheckBox::toggled, page, [&cmd](bool on) { cmd.WebNurLokalSetzen(on); });
    QObject::connect(port, &QSpinBox::editingFinished, page, [&cmd, port] { cmd.WebPortSetzen(port->value()); });
    return page;
}

LiveWebFenster::LiveWebFenster(LiveWebSteuerung& web, QWidget* parent) : QDialog(parent), web_(web) {
    setWindowTitle(QString::fromUtf8("Live-Seiten für Zuschauer"));
    setObjectName("frmLiveWeb");
    auto* v = new QVBoxLayout(this);
    adresse_ = new QLabel(this);
    adresse_->setObjectName("lblWebAdresse");
    adresse_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont f = adresse_->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    adresse_->setFont(f);
    adresse_->setAlignment(Qt::AlignCenter);
    code_ = new QLabel(this);
    code_->setAlignment(Qt::AlignCenter);
    auto* hinweis = new QLabel(LiveWebHinweis(), this);
    hinweis->setWordWrap(true);
    v->addWidget(adresse_);
    v->addWidget(code_);
    v->addWidget(hinweis);
    auto* t = new QTimer(this);
    connect(t, &QTimer::timeout, this, &LiveWebFenster::Aktualisieren);
    t->start(1000);
    Aktualisieren();
    resize(520, 640);
}

void LiveWebFenster::Aktualisieren() {
    const QString a = web_.Adresse();
    if (a.isEmpty()) {
        const QString s = web_.StatusText();
        adresse_->setText(s.isEmpty() ? QString::fromUtf8("Aus – einschalten unter Einstellungen → „Live-Seiten“")
                                      : s);
        code_->clear();
        return;
    }
    if (adresse_->text() == a) return;
    adresse_->setText(a);
    code_->setPixmap(QPixmap::fromImage(QrCodeBild(a, 8)));
}

}  // namespace zk
