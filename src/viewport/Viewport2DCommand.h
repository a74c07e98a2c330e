#pragma once
// Mouse commands of a Viewport2D. The base command is the viewport's default
// behaviour: left click picks, middle drag pans, the wheel zooms about the
// cursor, moving the mouse reports the entity under it in the status line.

#include <QPointF>

class QMouseEvent;
class QWheelEvent;
class ViewModel;
class Viewport2D;

class Viewport2DCommand {
public:
    Viewport2DCommand(Viewport2D* viewport2D, ViewModel& viewModel);
    virtual ~Viewport2DCommand();
    Viewport2DCommand(const Viewport2DCommand&) = delete;
    Viewport2DCommand& operator=(const Viewport2DCommand&) = delete;

    Viewport2D* viewport2D; // not owned; the viewport owns its command
    ViewModel* viewModel;
    QPointF lastWorldPosition;
    bool leftDown = false;
    bool middleDown = false;
    bool rightDown = false;

    virtual void mousePress(QMouseEvent* event);
    virtual void mouseMove(QMouseEvent* event);
    virtual void mouseRelease(QMouseEvent* event);
    virtual void wheel(QWheelEvent* event);
    // The pointer left the view.
    virtual void leave();

protected:
    QPointF lastPanPoint_;
};

// The line command installed by New / Save / Save As; it behaves as the
// viewport's default command.
class AddLine : public Viewport2DCommand {
public:
    AddLine(Viewport2D* viewport2D, ViewModel& viewModel);
};
