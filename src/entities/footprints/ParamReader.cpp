#include "entities/footprints/ParamReader.h"

ParamReader& ParamReader::boolean(const char* name, bool& field)
{
    field = readBoolAttribute(element_, name, field);
    return *this;
}

ParamReader& ParamReader::number(const char* name, double& field)
{
    field = readDoubleAttribute(element_, name, field);
    return *this;
}

ParamReader& ParamReader::floatNumber(const char* name, double& field)
{
    field = readFloatAttribute(element_, name, field);
    return *this;
}

ParamReader& ParamReader::integer(const char* name, int& field)
{
    field = readInt32Attribute(element_, name, field);
    return *this;
}

ParamReader& ParamReader::integer(const char* name, int64_t& field)
{
    field = readIntAttribute(element_, name, field);
    return *this;
}

ParamReader& ParamReader::text(const char* name, QString& field)
{
    if (const pugi::xml_attribute a = element_.attribute(name))
        field = QString::fromUtf8(a.value());
    return *this;
}

ParamReader& ParamReader::size(const char* name, QSizeF& field)
{
    field = readSizeAttribute(element_, name, field);
    return *this;
}

ParamReader& ParamReader::pair(const char* name, QPointF& field)
{
    // Read as a size, as the file format does for its vectors.
    const QSizeF read = readSizeAttribute(element_, name, QSizeF(field.x(), field.y()));
    field = QPointF(read.width(), read.height());
    return *this;
}

ParamReader& ParamReader::vector3(const char* name, Vector3& field)
{
    field = readVector3Attribute(element_, name, field);
    return *this;
}

ParamReader& ParamReader::color(const char* name, QColor& field)
{
    field = readColorAttribute(element_, name, field);
    return *this;
}

ParamReader& ParamReader::rect(QRectF& field)
{
    field = readRectAttribute(element_, field);
    return *this;
}

ParamReader& ParamReader::id(const char* name, Id& field)
{
    field = readIdAttribute(element_, name, field);
    return *this;
}
