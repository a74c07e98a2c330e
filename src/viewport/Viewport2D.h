#pragma once
// The interactive 2D view of one sheet: the PCB sheet or the design's first
// schematic sheet. Fits the sheet on its first paint (and whenever firstTime
// is set or its size changes), zooms, pans, picks and shows the frame rate.
// Mouse events go to the installed Viewport2DCommand.

#include <QElapsedTimer>
#include <QImage>
#include <QPointF>
#include <QTimer>
#include <QRectF>
#include <QString>
#include <QTransform>
#include <QWidget>

#include "core/RedrawHook.h"
#include "viewport/FrameRenderer.h"

#include <memory>
#include <optional>
#include <vector>

class Entity;
class QCoreApplication;
class QPainter;
class GraphicsSheet;
class ViewModel;
class Viewport2DCommand;

class Viewport2D : public QWidget {
    Q_OBJECT
public:
    enum class FitStyle { all };

    // pcb: the PCB sheet (true) or the first schematic sheet (false). Does not
    // register itself with the view model; the main window does that.
    explicit Viewport2D(bool pcb, QWidget* parent = nullptr);
    ~Viewport2D() override;

    const bool pcb;
    // While set, the next paint fits the sheet into the view, then clears it.
    bool firstTime = true;
    double magnification = 1;
    double zoomStep = 1.1;
    FitStyle fitStyle = FitStyle::all;

    // The view's part of a redraw request (ViewModel::requestRedraw hands it
    // on to every view; ask there): a display or model change draws the
    // frame again, a fit fits on the next paint; every request repaints.
    void requestRedraw(Redraw what);
    // The display and model requests this view has had.
    int displays() const { return displays_; }

    // The mouse command receiving this view's mouse events (never null).
    Viewport2DCommand* viewportCommand() const { return command_.get(); }
    // Replaces the command without finishing it; null installs the default.
    void setViewportCommand(std::unique_ptr<Viewport2DCommand> command);

    // The sheet shown now (it follows the open design), or null.
    GraphicsSheet* sheet() const { return currentSheet().get(); }
    std::shared_ptr<GraphicsSheet> currentSheet() const;

    // Model (y-up inches) to widget pixels, stored per sheet in the view model.
    QTransform viewTransform() const;
    void setViewTransform(const QTransform& t);
    QPointF toWorld(QPointF widgetPoint) const;
    QPointF toWidget(QPointF worldPoint) const;
    // The model rectangle a fit shows: the entities' box, united with the page
    // when the page is shown; a 10 x 8 inch area for an empty sheet.
    QRectF fitRect();

    // Fits now (without painting).
    void fit();
    // The sheet shown now has just been read, its geometry pass with it:
    // the next paint does not make it again.
    void takeGeometryAsCurrent();
    // Scales the view by zoomStep (1 / zoomStep) about the view centre, stores
    // it and requests display.
    void zoomIn();
    void zoomOut();
    // Scales by factor keeping the model point under widgetPoint in place.
    void zoomAbout(QPointF widgetPoint, double factor);
    // Shows the widget rectangle (normalised) as large as fits, centred.
    void zoomToRect(const QRectF& widgetRect);
    // Moves the picture by delta widget pixels.
    void pan(QPointF delta);

    // The entity drawn at the widget point, or null (pick pass, nothing changed).
    std::shared_ptr<Entity> entityAt(QPointF widgetPoint);
    // A left click: clears the previous selection, selects the entity hit
    // (if any) into the view model and requests a redraw.
    std::shared_ptr<Entity> pickAt(QPointF widgetPoint);
    // The type name of the entity under the point ("" when none) into the
    // view model's status.
    void updateStatusAt(QPointF widgetPoint);

    // Frames per second measured over the recent paints (0 before two paints).
    double frameRate() const { return frameRate_; }
    // A wheel zoom counts as a gesture until the wheel has been still this long.
    static constexpr int kWheelSettleMs = 300;
    // The scale (pixels per inch) is kept within these bounds so that the
    // view transform always stays invertible.
    static constexpr double kMinScale = 1e-4;
    static constexpr double kMaxScale = 1e8;

    // While the view is panned or wheel-zoomed (the view model's
    // draggingOrZooming), a paint shows the last full frame moved and scaled
    // to the new view instead of drawing the sheet, as long as it still
    // covers this share of the view; the gesture's end paints a full frame.
    static constexpr double kMinReusedCover = 0.75;
    // What a paint shows; one function decides it (paintChoice), the
    // paint does what it says.
    enum class PaintShows {
        // The kept frame as drawn, the selection's marks over it: it was
        // drawn for all this paint shows (drawn by it if need be).
        frame,
        // The kept frame moved and scaled to the view of a pan or wheel
        // gesture (kMinReusedCover).
        gestureFrame,
        // The kept frame placed for the view while a new frame is drawn
        // off the window's thread.
        awaitedFrame,
        // The sheet's page, grid and box outlines while its first frame is
        // drawn off the window's thread.
        placeholder,
    };
    PaintShows lastPaintShows() const { return lastShown_; }
    // Whether the last paint showed the kept frame moved for a gesture
    // rather than drawing.
    bool lastPaintReusedFrame() const { return lastShown_ == PaintShows::gestureFrame; }
    // Frames drawn (or started off the window's thread) so far. A paint
    // for which nothing the kept frame was drawn for has changed (sheet,
    // view, size, pixel ratio, background, model and display requests)
    // shows it and draws none. The selection is never part of a frame: its
    // marks are drawn over the frame shown by every paint.
    int framesDrawn() const { return framesDrawn_; }

    // Frames drawn off the window's thread (off unless turned on: the
    // render tool, tests and benchmarks draw every frame in the paint). A
    // frame not finished kBackgroundAfterMs after its paint started goes on
    // on a thread of its own while the paint shows the last frame moved and
    // scaled to the new view; when it is done it replaces that one. An
    // event that may write the model stops it (ModelGuard::stop, and
    // ModelGuard::stopsReaders for which input); a stopped frame is never
    // shown, the next paint starts another. Until a new sheet's first frame
    // is ready the view shows its page, grid and entities' outlines.
    static void setBackgroundFrames(bool on);
    static bool backgroundFrames();
    static constexpr int kBackgroundAfterMs = 50;
    // Installs on the application the filter that stops a frame drawn off
    // the window's thread before input that may write the model
    // (ModelGuard::installStopFilter), the view's own input excepted.
    static void installModelGuard(QCoreApplication& app);
    // Whether a frame of this view is being drawn off the window's thread.
    bool frameInFlight() const { return pending_ != nullptr; }
    // Waits for the frame in flight, if any; its pixels are shown by the
    // next paint when it still fits the view.
    void joinFrame();
    // Whether the last paint showed the last frame (placed for the view
    // shown, whatever its size) while the new one is drawn off the
    // window's thread.
    bool lastPaintAwaitsFrame() const { return lastShown_ == PaintShows::awaitedFrame || lastShown_ == PaintShows::placeholder; }
    // Whether the event is input for the view alone (wheel, middle-button
    // pan, hover, paints, its own timers and notices): such events never
    // write the model.
    bool isViewInput(QObject* receiver, QEvent* event) const;

    // Duration of the last paint in milliseconds.
    double lastPaintMilliseconds() const { return lastPaintMs_; }
    int paintCount() const { return paintCount_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    friend class Viewport2DCommand;
    // Bounding boxes are recomputed only when the sheet or the view model's
    // redraw counter changed since the last time (or the view model asks for
    // it on every redraw).
    void ensureGeometry(const std::shared_ptr<GraphicsSheet>& sheet);
    // Fits when asked to, when the sheet has no stored transform yet, or when
    // the sheet was replaced (a design was opened behind the view's back).
    void ensureTransform(const std::shared_ptr<GraphicsSheet>& sheet);
    void fitWorldRect(const QRectF& world, double marginFraction);
    bool applyTransform(const QTransform& t);
    void wheelGesture();
    // The size in device pixels of a frame of the whole view.
    QSize framePixels(qreal ratio) const;
    // The frame this view draws: its marks left out (drawn over whatever
    // a paint shows).
    FrameRenderer::Frame frameFor(const QTransform& view, QSizeF size, qreal ratio, const QColor& background) const;
    // Draws the sheet into frame_ (the whole view) and remembers its view.
    void drawFrame(const std::shared_ptr<GraphicsSheet>& sheet, const QColor& background, qreal ratio);
    // A frame to draw before the paint shows anything.
    enum class FrameToDraw { none, here, offThread };
    struct PaintChoice {
        PaintShows shows = PaintShows::frame;
        FrameToDraw draw = FrameToDraw::none;
        // For a moved frame: widget points of the kept frame to widget
        // points now.
        QTransform move;
    };
    // What this paint shows, from what the kept frame was drawn for, the
    // gesture under way and the frame in flight; mayDraw: whether a frame
    // may be drawn first (the paint asks again once it is, or once it goes
    // on off the window's thread).
    PaintChoice paintChoice(const std::shared_ptr<GraphicsSheet>& sheet, const QColor& background, qreal ratio, bool mayDraw) const;
    // Widget points of the kept frame to widget points of the view, when it
    // is a frame of the sheet at this ratio and covers some of the view.
    // gesture: also drawn for all this paint shows but the view
    // (FrameKey::sameContent), of the view's size and covering
    // kMinReusedCover of it.
    std::optional<QTransform> keptFrameMove(
        const std::shared_ptr<GraphicsSheet>& sheet, const QColor& background, qreal ratio, bool gesture) const;
    // Shows frame_ moved by keptFrameMove, the background about it.
    void showMovedFrame(QPainter& painter, const QTransform& move, const QColor& background, qreal ratio);
    // Starts the frame off the window's thread and waits for it a little:
    // when it finished in that time it is frame_.
    void drawFrameInBackground(const std::shared_ptr<GraphicsSheet>& sheet, const QColor& background, qreal ratio);
    // Makes the finished frame in flight frame_ when it still fits what the
    // view shows now and was not stopped (dropped otherwise); false while
    // it is being drawn.
    bool adoptFrame();
    struct Pending;
    // What a frame is drawn for, besides its pixels: a paint for the same
    // shows the kept frame as it is.
    struct FrameKey {
        QTransform view;
        std::weak_ptr<GraphicsSheet> sheet;
        int sheetRedraws = -1;
        int displays = -1;
        QRgb background = 0;
        // The same picture but for where the view looks.
        bool sameContent(const FrameKey& other) const;
    };
    FrameKey keyNow(const std::shared_ptr<GraphicsSheet>& sheet, const QColor& background) const;
    // The selection's marks over whatever frame the paint shows.
    void drawSelectionMarks(QPainter& painter, const std::shared_ptr<GraphicsSheet>& sheet, qreal ratio);
    // frame_ with the selection's marks over it, drawn as a frame draws
    // them; made again only when the frame or the selection changed.
    const QImage& markedFrame(const std::shared_ptr<GraphicsSheet>& sheet);
    // The sheet's page, grid, origin and the outlines of its entities'
    // boxes, while its first frame is drawn: a few milliseconds of the
    // window's thread whatever the sheet holds, and nothing kept for it
    // but the boxes' pixels (placeholderBoxes).
    void drawPlaceholder(QPainter& painter, const std::shared_ptr<GraphicsSheet>& sheet, const QColor& background, qreal ratio);
    // The device pixels of the boxes outlined, found once per sheet, view
    // and frame size.
    const std::vector<QRect>& placeholderBoxes(const std::shared_ptr<GraphicsSheet>& sheet, const QColor& background, qreal ratio);
    // Whether frame_ was drawn for this very paint.
    bool frameIsCurrent(const std::shared_ptr<GraphicsSheet>& sheet, const QColor& background, qreal ratio) const;

    std::unique_ptr<Viewport2DCommand> command_;
    QTransform fallbackTransform_;
    std::weak_ptr<GraphicsSheet> geometrySheet_;
    int geometryRedraws_ = -1;
    std::weak_ptr<GraphicsSheet> shownSheet_;
    QTimer wheelTimer_;
    QElapsedTimer frameClock_;
    double frameRate_ = 0;
    double lastPaintMs_ = 0;
    int paintCount_ = 0;
    // The last full frame and what it was drawn for.
    QImage frame_;
    // The kept frame scaled to the view of a zoom gesture (kept for the
    // next gesture frame, so that no frame allocates).
    QImage gestureFrame_;
    FrameKey frameKey_;
    // Counts the frames kept in frame_.
    int frameVersion_ = 0;
    struct PlaceholderBoxes {
        FrameKey key;
        QSize pixels;
        qreal ratio = 0;
        std::vector<QRect> rects;
    };
    PlaceholderBoxes placeholderBoxes_;
    // The placeholder's pixels when the painter's own cannot be written.
    QImage placeholder_;
    QImage marked_;
    int markedVersion_ = -1;
    size_t markedSelection_ = 0;
    int displays_ = 0;
    int framesDrawn_ = 0;
    PaintShows lastShown_ = PaintShows::frame;
    std::unique_ptr<Pending> pending_;
};
