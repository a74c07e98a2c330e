#pragma once
// Text style; text is set at height x 1.38 in the family.

#include <QFont>
#include <QString>
#include <pugixml.hpp>

class Font {
public:
    static inline const QString defaultFontName = QStringLiteral("Arial");
    static constexpr double defaultFontHeight = 0.055;

    QString familyName = defaultFontName;
    double height = defaultFontHeight;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;

    // "familyName", "height", "bold", "italic", "underline", "strikeout".
    void readXML(pugi::xml_node element);
    // Size in model units at which the text is set: height x 1.38.
    double pointSize() const { return height * 1.38; }
};

// The child element of that name read into a copy of current (settings fonts).
Font readChildFont(pugi::xml_node element, const char* childName, const Font& current);
