#include "ui/RaceBanner.h"

#include <QPalette>
#include <QVBoxLayout>

#include "ui/WindowGeometry.h"

namespace zk {

RaceBanner::RaceBanner(QWidget* parent) : QWidget(parent) {
    setObjectName("RaceBanner");
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    setMinimumSize(1, 1);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(8, 2, 8, 2);
    v->setSpacing(0);
    const auto make = [this](const char* name, bool bold) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        l->setAlignment(Qt::AlignCenter);
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        l->setMinimumSize(1, 1);
        QFont f = l->font();
        f.setBold(bold);
        l->setFont(f);
        return l;
    };
    text_ = make("lblRennstatus", true);
    zeile_ = make("lblRennstatusZeile", false);
    v->addWidget(text_, 3);
    v->addWidget(zeile_, 2);
}

void RaceBanner::Show(const Banner& b) {
    const QColor bg = FromBgr(b.hintergrund);
    const QColor fg = FromBgr(b.schrift);
    const QString text = QString::fromStdString(b.text);
    const QString zeile = QString::fromStdString(b.zeile);
    if (bg != bg_) {
        bg_ = bg;
        QPalette p = palette();
        p.setColor(QPalette::Window, bg);
        p.setColor(QPalette::WindowText, fg);
        setPalette(p);
        for (QLabel* l : {text_, zeile_}) {
            QPalette lp = l->palette();
            lp.setColor(QPalette::WindowText, fg);
            l->setPalette(lp);
        }
    }
    if (text_->text() != text) text_->setText(text);
    if (zeile_->text() != zeile) zeile_->setText(zeile);
}

}  // namespace zk
