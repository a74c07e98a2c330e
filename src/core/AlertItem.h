#pragma once
#include <QString>
#include <QUuid>

// An alert raised through the view model and presented by the main window.
struct AlertItem {
    QUuid id = QUuid::createUuid();
    QString title;
    QString message;
    QString dismissButton = QStringLiteral("OK");
};
