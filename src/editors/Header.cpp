#include "editors/Header.h"

#include "editors/EditorControl.h"
#include "editors/SymbolImage.h"

#include <QHBoxLayout>
#include <QLabel>

Header::Header(const QString& title, const QString& iconName, QWidget* parent) : QWidget(parent), iconName_(iconName)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(6);
    QFont font = title3Font();
    font.setBold(true);
    if (!iconName.isEmpty()) {
        const int side = QFontMetrics(font).height();
        const QPixmap pixmap = symbolImage(iconName, side, palette().windowText().color(), true);
        if (!pixmap.isNull()) {
            icon_ = new QLabel(this);
            icon_->setPixmap(pixmap);
            row->addWidget(icon_);
        }
    }
    title_ = new QLabel(title, this);
    title_->setFont(font);
    row->addWidget(title_, 1);
}

QString Header::title() const { return title_->text(); }
