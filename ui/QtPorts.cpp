#include "ui/QtPorts.h"

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>

#include <cstdio>

#include "system/RaceSystem.h"
#include "ui/GlobalKeys.h"
#include "ui/UpdateForms.h"

namespace zk {

void QtUiPort::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    messages_.push_back(text);
    if (quiet_) return;
    const QMessageBox::Icon qi = icon == MessageIcon::Critical  ? QMessageBox::Critical
                                 : icon == MessageIcon::Warning ? QMessageBox::Warning
                                                                : QMessageBox::Information;
    if (forms_.ShuttingDown()) {
        // At program end the main loop has stopped; wait so the message is seen.
        QMessageBox box(qi, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
        box.exec();
        return;
    }
    auto* box = new QMessageBox(qi, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: a message must never stop the 100 ms main loop.
    box->setModal(false);
    box->show();
}

void QtUiPort::ShowStatus(const std::string& text) {
    messages_.push_back(text);
    if (statusSink_) statusSink_(text);
}

void QtUiPort::OpenWindow(Fenster window) {
    const std::string name(FensterName(window));
    if (forms_.Open(name) != nullptr || forms_.ShuttingDown()) return;
    messages_.push_back("Fenster " + name + " kann nicht geöffnet werden.");
    std::fprintf(stderr, "zirkato: %s\n", messages_.back().c_str());
}

void QtUiPort::CloseWindow(Fenster window) { forms_.Close(std::string(FensterName(window))); }

void QtUiPort::AddListLine(const std::string& list, const std::string& line) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (auto* l = top->findChild<QListWidget*>(QString::fromStdString(list))) {
            l->addItem(QString::fromStdString(line));
            l->scrollToBottom();
        }
    }
}

void QtWindowRefresh::DisplayOutput() { forms_.DisplayOutput(); }

void QtWindowRefresh::ClearLapWindows() { forms_.ClearAllWindows(); }

void QtWindowRefresh::FuelUpdate(int laneIndex0to7) { forms_.FuelUpdateAll(laneIndex0to7); }

void QtWindowRefresh::RefreshStandardWindow() { forms_.RefreshStandardWindow(); }

void QtWindowRefresh::SettingsLiveView() { forms_.SettingsLiveView(); }

int QtUiPort::AsyncKeyState(int vk) {
    // While one of the program's own windows has the focus its key events
    // deliver the keys; the system-wide state would count them twice.
    return keys_ ? keys_->State(vk, QApplication::activeWindow() != nullptr) : 0;
}

}  // namespace zk
