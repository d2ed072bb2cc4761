#include "ui/QtPorts.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>

#include <cstdio>

#include "system/RaceSystem.h"
#include "ui/GlobalKeys.h"
#include "ui/WindowRegistry.h"

namespace zk {

void QtUiPort::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    messages_.push_back(text);
    if (quiet_) return;
    const QMessageBox::Icon qi = icon == MessageIcon::Critical  ? QMessageBox::Critical
                                 : icon == MessageIcon::Warning ? QMessageBox::Warning
                                                                : QMessageBox::Information;
    if (registry_.ShuttingDown()) {
        // At program end the main loop has stopped; wait so the message is seen.
        QMessageBox box(qi, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
        box.exec();
        return;
    }
    auto* box = new QMessageBox(qi, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                                owner_.data());
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: a message must never stop the 100 ms main loop.
    box->setModal(false);
    ShowBox(box);
}

void QtUiPort::ShowBox(QWidget* box) {
    if (holding_) {
        held_.emplace_back(box);
        return;
    }
    box->show();
    box->raise();
    box->activateWindow();
}

void QtUiPort::ShowHeld() {
    holding_ = false;
    const auto held = std::move(held_);
    held_.clear();
    for (const QPointer<QWidget>& box : held)
        if (box) ShowBox(box.data());
}

void QtUiPort::ShowStatus(const std::string& text) {
    messages_.push_back(text);
    if (statusSink_) statusSink_(text);
}

void QtUiPort::OpenWindow(Fenster window) {
    if (registry_.Open(window) != nullptr || registry_.ShuttingDown()) return;
    const std::string name(FensterName(window));
    messages_.push_back("Fenster " + name + " kann nicht geöffnet werden.");
    std::fprintf(stderr, "zirkato: %s\n", messages_.back().c_str());
}

void QtUiPort::CloseWindow(Fenster window) { registry_.Close(window); }

void QtUiPort::AddListLine(const std::string& list, const std::string& line) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* l = top->findChild<QListWidget*>(QString::fromStdString(list))) {
            l->addItem(QString::fromStdString(line));
            l->scrollToBottom();
        }
    }
}

void QtWindowRefresh::DisplayOutput() { registry_.DisplayOutput(); }

void QtWindowRefresh::ClearLapWindows() { registry_.ClearAllWindows(); }

void QtWindowRefresh::FuelUpdate(int laneIndex0to7) { registry_.FuelUpdateAll(laneIndex0to7); }

void QtWindowRefresh::RefreshStandardWindow() { registry_.RefreshStandardWindow(); }

void QtWindowRefresh::SettingsLiveView() { registry_.SettingsLiveView(); }

int QtUiPort::AsyncKeyState(int vk) {
    // While one of the program's own windows has the focus its key events
    // deliver the keys; the system-wide state would count them twice.
    return keys_ ? keys_->State(vk, QApplication::activeWindow() != nullptr) : 0;
}

}  // namespace zk
