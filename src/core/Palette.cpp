#include "core/Palette.h"

QColor colorFromHex(const QString& text)
{
    const QColor grey = QColor::fromRgbF(0.25f, 0.25f, 0.25f, 1.0f);
    if (text.size() != 7 || text[0] != u'#')
        return grey;
    int rgb[3];
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const QString pair = text.mid(1 + 2 * i, 2);
        // toInt accepts a sign or blanks; a pair must be two hex digits exactly.
        for (QChar c : pair)
            if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f'))
                return grey;
        rgb[i] = pair.toInt(&ok, 16);
        if (!ok)
            return grey;
    }
    return QColor::fromRgbF(rgb[0] / 255.0f, rgb[1] / 255.0f, rgb[2] / 255.0f, 1.0f);
}

const std::vector<QColor>& paletteColors()
{
    static const std::vector<QColor> colors = [] {
        std::vector<QColor> c;
        for (const char* hex : {"#ff2987", "#6e6e6e", "#545453", "#458401", "#a09fa0", "#888501",
                                "#891e88", "#cefa6e", "#d278ff", "#fffa03", "#83f902", "#008cff",
                                "#ff7aff", "#491a88", "#028401"})
            c.push_back(colorFromHex(QString::fromLatin1(hex)));
        return c;
    }();
    return colors;
}

std::vector<QColor> paletteRow()
{
    std::vector<QColor> row = {
        QColor(0, 0, 0),
        QColor::fromRgbF(1, 1, 1, 1),
        QColor::fromRgbF(1, 0, 0, 1),
        QColor::fromRgbF(0, 1, 0, 1),
        QColor::fromRgbF(0, 0, 1, 1),
        QColor::fromRgbF(1, 1, 0, 1),
        QColor::fromRgbF(1, 0, 1, 1),
        QColor::fromRgbF(0, 1, 1, 1),
        QColor::fromRgbF(1, 0.7f, 1, 1),
    };
    const auto& rest = paletteColors();
    row.insert(row.end(), rest.begin(), rest.end());
    return row;
}
