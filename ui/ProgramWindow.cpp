#include "ui/ProgramWindow.h"

#include <QCloseEvent>

namespace zk {

ProgramWindow::ProgramWindow(Fenster id, Qt::WindowFlags extraFlags)
    : QWidget(nullptr, Qt::Window | extraFlags), id_(id) {
    const std::string_view name = FensterName(id);
    setObjectName(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
    setAttribute(Qt::WA_DeleteOnClose);
}

void ProgramWindow::CloseForShutdown() {
    shutdown_ = true;
    close();
}

void ProgramWindow::closeEvent(QCloseEvent* e) {
    e->accept();
    // A close asked for by the window's own closing work (a button that also
    // closes, a series that goes on) is the same close.
    if (closing_) return;
    closing_ = true;
    Closing(e);
    emit Unloaded(this);
}

}  // namespace zk
