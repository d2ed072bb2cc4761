#include "ui/SoundWindows.h"

#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QScrollArea>
#include <QVBoxLayout>

#include "race/Zeitansage.h"
#include "system/RaceCommands.h"
#include "system/RaceSystem.h"
#include "ui/WindowRegistry.h"

namespace zk {

SoundFilesWindow::SoundFilesWindow(UiContext& ctx) : ProgramWindow(Fenster::Soundfiles), ctx_(ctx) {
    setWindowTitle(QStringLiteral("Sounddateien"));
    auto* outer = new QVBoxLayout(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    auto* inner = new QWidget(scroll);
    auto* g = new QGridLayout(inner);
    for (int n = 1; n <= 50; ++n) {
        g->addWidget(new QLabel(QString::number(n), inner), n, 0);
        lblSound[n] = new QLabel(QString::fromStdString(ctx_.sys.cfg.SoundFiles[n]), inner);
        lblSound[n]->setObjectName(QStringLiteral("lblSound%1").arg(n));
        lblSound[n]->setMinimumWidth(160);
        g->addWidget(lblSound[n], n, 1);
        auto* open = new QPushButton(QString::fromUtf8("Öffnen…"), inner);
        open->setObjectName(QStringLiteral("Open%1").arg(n));
        auto* play = new QPushButton(QStringLiteral("Abspielen"), inner);
        play->setObjectName(QStringLiteral("Play%1").arg(n));
        g->addWidget(open, n, 2);
        g->addWidget(play, n, 3);
        connect(open, &QPushButton::clicked, this, [this, n] {
            slot_ = n;
            ctx_.registry.Open(Fenster::SoundOpenFile);
        });
        connect(play, &QPushButton::clicked, this, [this, n] { PlayFile(ctx_, this, lblSound[n]->text()); });
    }
    g->setColumnStretch(1, 1);
    scroll->setWidget(inner);
    outer->addWidget(scroll);
    resize(520, 480);
}

void SoundFilesWindow::SetSlotFile(const QString& file) {
    lblSound[slot_]->setText(file);
    ctx_.cmd.SoundDateiSetzen(slot_, file.toStdString());
}

void SoundFilesWindow::PlayFile(UiContext& ctx, QWidget* parent, const QString& file) {
    const std::string path = ctx.ansage ? ctx.ansage->FindSound(file.toStdString()) : std::string();
    if (path.empty() || !ctx.ansage->Vorhoeren(path))
        QMessageBox::warning(parent, QStringLiteral("Zirkato"), QStringLiteral("Sound konnte nicht gespielt werden"));
}

void SoundFilesWindow::Closing(QCloseEvent*) {
    ctx_.writeSoundFiles();
    // Recordings put into the Sounds folder meanwhile speak from now on.
    if (ctx_.ansage && ctx_.ansage->SoundInitialisiert != 0) ctx_.ansage->LoadClips();
    ctx_.registry.Close(Fenster::SoundOpenFile);
}

SoundOpenFileWindow::SoundOpenFileWindow(UiContext& ctx) : ProgramWindow(Fenster::SoundOpenFile), ctx_(ctx) {
    setWindowTitle(QStringLiteral("Sounddatei wählen"));
    auto* v = new QVBoxLayout(this);
    lstDateien = new QListWidget(this);
    lstDateien->setObjectName("File1");
    // The files of every sound folder, the user's own first; a name once.
    if (ctx_.ansage) {
        for (const std::string& d : ctx_.ansage->SoundDirs()) {
            const QStringList names = QDir(QString::fromStdString(d)).entryList({QStringLiteral("*.wav"), QStringLiteral("*.WAV")}, QDir::Files, QDir::Name);
            for (const QString& n : names)
                if (lstDateien->findItems(n, Qt::MatchExactly).isEmpty()) lstDateien->addItem(n);
        }
    }
    v->addWidget(lstDateien);
    auto* h = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("OK");
    auto* play = new QPushButton(QStringLiteral("Abspielen"), this);
    play->setObjectName("Play");
    auto* cancel = new QPushButton(QStringLiteral("Abbrechen"), this);
    cancel->setObjectName("btnAbbrechen");
    h->addWidget(ok);
    h->addWidget(play);
    h->addWidget(cancel);
    v->addLayout(h);
    const auto current = [this] { return lstDateien->currentItem() ? lstDateien->currentItem()->text() : QString(); };
    connect(ok, &QPushButton::clicked, this, [this, current] {
        if (auto* w = qobject_cast<SoundFilesWindow*>(ctx_.registry.Find(Fenster::Soundfiles))) {
            if (!current().isEmpty()) w->SetSlotFile(current());
        }
        close();
    });
    connect(play, &QPushButton::clicked, this, [this, current] { SoundFilesWindow::PlayFile(ctx_, this, current()); });
    connect(lstDateien, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* it) { SoundFilesWindow::PlayFile(ctx_, this, it->text()); });
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    resize(320, 380);
}

}  // namespace zk
