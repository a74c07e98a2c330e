#pragma once
// A raster image placed on a sheet (element "image"): stored in the file as
// base64 of compressed image data in a "pixels" child, kept encoded, and
// drawn stretched into an axis-aligned rectangle, decoded at about the size
// it is shown at through the shared image cache.

#include "core/ImageCache.h"
#include "editors/EntityEditor.h"
#include "model/Entity.h"

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <memory>

class Picture : public Entity {
public:
    explicit Picture(GraphicsSheet* sheet);
    ~Picture() override;
    // Each holds its key in the image cache once.
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Origin bottom-left (y up), inches.
    QRectF rectangle{0, 0, 0, 0};
    // Read and kept.
    bool rotateInParts = false;
    bool subPickable = false;
    double extrusionBase = 0;
    double extrusionHeight = 0;
    // The image as read, still encoded; empty bytes when there is none.
    const EncodedImage& image() const { return image_; }
    bool hasImage() const { return !image_.bytes.isEmpty(); }
    // The image decoded for showing at the given size in device pixels (see
    // ImageCache::decodeSize); null when there is none. Where pictures decode
    // in the background (ImageCache::setReadyHook), the nearest size ready,
    // or null, until that one is.
    QImage decodedImage(QSize shown) const;

    // The editing handles, as a rectangle's: setting the centre moves the
    // rectangle (size kept); setting the size keeps the bottom-left corner,
    // and the centre becomes the new midpoint.
    QPointF center() const { return center_; }
    void setCenter(const QPointF& c);
    QSizeF size() const { return size_; }
    void setSize(const QSizeF& s);

    // Entity attributes, "x" "y" "width" "height", "rotateInParts",
    // "subPickable " (with its trailing blank), "extrusionBase",
    // "extrusionHeight", the image of the "pixels" child; then the handles.
    void readXML(pugi::xml_node element) override;
    // The rectangle's corners through netTransform; no pen, no margin.
    void calculateBoundingBox() override;
    // The selection frame, then the image stretched over the rectangle,
    // upright in the y-up model. Picking fills the rectangle instead, so
    // that it decodes nothing.
    void draw(Graphics& g) const override;
    QString typeName() const override { return QStringLiteral("Picture"); }
    QWidget* editorView(const std::shared_ptr<Entity>& self) override;

private:
    QPointF center_{0, 0};
    QSizeF size_{0, 0};
    EncodedImage image_;
    quint64 imageKey_ = 0; // the image's name in the cache, held while kept
};

// "Center", "Size" and the extrusion section.
class PictureEditor : public EntityEditor {
    Q_OBJECT
public:
    explicit PictureEditor(std::shared_ptr<Picture> picture, QWidget* parent = nullptr);
    const std::shared_ptr<Picture>& picture() const { return picture_; }

private:
    std::shared_ptr<Picture> picture_;
};
