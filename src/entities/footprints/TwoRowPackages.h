#pragma once
// The two-row package families: terminal block, boxed socket, crystal, DIP,
// female and male headers, SOIC and XH socket.

#include "entities/footprints/PackageFamily.h"
#include "entities/footprints/TwoSidedFootprint.h"

#include <QColor>
#include <QSizeF>

#include <optional>
#include <string_view>

class BlockFootprint : public PackageFamily<BlockFootprint, TwoSidedFootprint> {
public:
    static constexpr const char* familyName = "Block Footprint";
    static constexpr const char* editorTitle = "Block Footprint";
    using PackageFamily::PackageFamily;

    double verticalHeight = 0.0;
    QSizeF margin = QSizeF(0.0, 0.0);
    ESeries eSeries = ESeries::none;

    void readXML(pugi::xml_node element) override;
};
using BlockFootprintEditor = PackageEditor<BlockFootprint>;

class BoxedSocketFootprint : public PackageFamily<BoxedSocketFootprint, TwoSidedFootprint> {
public:
    static constexpr const char* familyName = "Boxed Socket Footprint";
    static constexpr const char* editorTitle = "Boxed Socket Footprint";
    using PackageFamily::PackageFamily;

    double bottom = 0.027559055118110236;         // 0.7 mm
    double top = 0.31496062992125984;             // 8.0 mm
    double bodyClearance = 0.00039370078740157485; // 0.01 mm
    // Not in the file; nothing sets it.
    Lazy<double> bodyHeight{0.0};
    bool angled = false;
    bool leftFacingIfAngles = false;
    bool keyHoleOnBottom = false;

    void readXML(pugi::xml_node element) override;
};
using BoxedSocketFootprintEditor = PackageEditor<BoxedSocketFootprint>;

class CrystalFootprint : public PackageFamily<CrystalFootprint, TwoSidedFootprint> {
public:
    static constexpr const char* familyName = "Crystal Footprint";
    static constexpr const char* editorTitle = "Crystal Footprint";
    using PackageFamily::PackageFamily;

    double roundness = 0.0;
    ESeries eSeries = ESeries::none;

    void readXML(pugi::xml_node element) override;
};
using CrystalFootprintEditor = PackageEditor<CrystalFootprint>;

class DIPFootprint : public PackageFamily<DIPFootprint, TwoSidedFootprint> {
public:
    static constexpr const char* familyName = "DIP Footprint";
    static constexpr const char* editorTitle = "DIP Footprint";
    using PackageFamily::PackageFamily;

    // The file writes rockerSwitch as "switch".
    enum class PackageType { dip, led, rockerSwitch };
    static std::optional<PackageType> packageTypeFromString(std::string_view text);
    static const char* toString(PackageType value);

    bool addSocket = false;
    QColor socketColor = QColor::fromRgbF(0.251f, 0.251f, 0.251f, 1.0f);
    PackageType packageType = PackageType::dip;

    void readXML(pugi::xml_node element) override;
};
using DIPFootprintEditor = PackageEditor<DIPFootprint>;

class FemaleHeaderFootprint : public PackageFamily<FemaleHeaderFootprint, TwoSidedFootprint> {
public:
    static constexpr const char* familyName = "Female Header Footprint";
    static constexpr const char* editorTitle = "Female Header";
    using PackageFamily::PackageFamily;

    double bottom = 0.0;
    double top = 0.0;
    double bodyClearance = 0.0;
    double bodyHeight = 0.0;

    void readXML(pugi::xml_node element) override;
};
using FemaleHeaderFootprintEditor = PackageEditor<FemaleHeaderFootprint>;

class MaleHeaderFootprint : public PackageFamily<MaleHeaderFootprint, TwoSidedFootprint> {
public:
    static constexpr const char* familyName = "Male Header Footprint";
    static constexpr const char* editorTitle = "Male Header";
    using PackageFamily::PackageFamily;

    double bottom = 0.0;
    double top = 0.0;
    double bodyClearance = 0.0;
    double bodyHeight = 0.0;

    void readXML(pugi::xml_node element) override;
};
using MaleHeaderFootprintEditor = PackageEditor<MaleHeaderFootprint>;

// The two-row base under a name of its own; nothing more to read.
class SOICFootprint : public PackageFamily<SOICFootprint, TwoSidedFootprint> {
public:
    static constexpr const char* familyName = "SOIC Footprint";
    static constexpr const char* editorTitle = "SOIC Footprint";
    using PackageFamily::PackageFamily;
};
using SOICFootprintEditor = PackageEditor<SOICFootprint>;

class XHSocketFootprint : public PackageFamily<XHSocketFootprint, TwoSidedFootprint> {
public:
    static constexpr const char* familyName = "XH Socket";
    static constexpr const char* editorTitle = "XH Socket Footprint";
    using PackageFamily::PackageFamily;

    bool angled = false;
    double bottom = 0.0;
    double top = 0.0;
    double bodyClearance = 0.0;
    double bodyHeight = 0.0;

    // Its leads are straight once read, whatever "leadType" says.
    void readXML(pugi::xml_node element) override;
};
using XHSocketFootprintEditor = PackageEditor<XHSocketFootprint>;
