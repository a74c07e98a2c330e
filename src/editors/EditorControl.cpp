#include "editors/EditorControl.h"

#include "core/RedrawHook.h"

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QWidget>
#include <algorithm>
#include <cmath>

void refreshControls(QWidget* root)
{
    if (!root)
        return;
    if (auto* control = dynamic_cast<EditorControl*>(root))
        control->refresh();
    const auto children = root->findChildren<QWidget*>();
    for (QWidget* child : children)
        if (auto* control = dynamic_cast<EditorControl*>(child))
            control->refresh();
}

void refreshActiveViewport()
{
    requestRedraw();
}

NumberBinding bindNumber(double& value)
{
    double* p = &value;
    return {[p] { return *p; }, [p](double v) { *p = v; }};
}

int lengthDecimals(Units units)
{
    switch (units) {
    case Units::thou: return 2;
    case Units::inch: return 4;
    case Units::micron: return 1;
    case Units::mm: return 3;
    case Units::cm: return 4;
    case Units::m: return 6;
    }
    return 4;
}

QString formatNumber(double value, int decimals)
{
    if (!std::isfinite(value))
        return QString();
    decimals = std::clamp(decimals, 0, 12);
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = locale.toString(value, 'f', decimals);
    const QString point = locale.decimalPoint();
    if (decimals > 0 && text.contains(point)) {
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(point.size());
    }
    // "-0" after rounding reads oddly.
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

bool parseNumber(const QString& text, double* value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    bool ok = false;
    // Group separators are refused so "1.000" in a German locale is not 1000
    // but falls through to the C form, 1.
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    double v = locale.toDouble(trimmed, &ok);
    if (!ok) {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        v = c.toDouble(trimmed, &ok);
    }
    if (!ok || !std::isfinite(v))
        return false;
    *value = v;
    return true;
}

static QFont scaledFont(double factor, bool bold)
{
    QFont f = QApplication::font();
    if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * factor);
    else if (f.pixelSize() > 0)
        f.setPixelSize(int(std::lround(f.pixelSize() * factor)));
    f.setBold(bold);
    return f;
}

QFont titleFont() { return scaledFont(1.7, false); }
QFont title2Font() { return scaledFont(1.45, false); }
QFont title3Font() { return scaledFont(1.25, false); }
