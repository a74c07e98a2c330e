#pragma once
// The title line of an editor: an optional icon and the title in bold.

#include <QWidget>

class QLabel;

class Header : public QWidget {
    Q_OBJECT
public:
    explicit Header(const QString& title, const QString& iconName = {}, QWidget* parent = nullptr);
    QString title() const;
    QString iconName() const { return iconName_; }
    QLabel* iconLabel() const { return icon_; }

private:
    QLabel* title_;
    QLabel* icon_ = nullptr;
    QString iconName_;
};
