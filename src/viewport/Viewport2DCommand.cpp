#include "viewport/Viewport2DCommand.h"

#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

Viewport2DCommand::Viewport2DCommand(Viewport2D* viewport2D, ViewModel& viewModel)
    : viewport2D(viewport2D), viewModel(&viewModel)
{
}

Viewport2DCommand::~Viewport2DCommand() = default;

void Viewport2DCommand::mousePress(QMouseEvent* event)
{
    const QPointF p = event->position();
    lastWorldPosition = viewport2D->toWorld(p);
    switch (event->button()) {
    case Qt::LeftButton:
        leftDown = true;
        viewport2D->pickAt(p);
        break;
    case Qt::MiddleButton:
        middleDown = true;
        lastPanPoint_ = p;
        viewModel->setDraggingOrZooming(true);
        break;
    case Qt::RightButton:
        rightDown = true;
        break;
    default:
        break;
    }
    event->accept();
}

void Viewport2DCommand::mouseMove(QMouseEvent* event)
{
    const QPointF p = event->position();
    if (middleDown) {
        viewport2D->pan(p - lastPanPoint_);
        lastPanPoint_ = p;
    } else if (!leftDown && !rightDown) {
        viewport2D->updateStatusAt(p);
    }
    lastWorldPosition = viewport2D->toWorld(p);
    event->accept();
}

void Viewport2DCommand::mouseRelease(QMouseEvent* event)
{
    switch (event->button()) {
    case Qt::LeftButton:
        leftDown = false;
        break;
    case Qt::MiddleButton:
        middleDown = false;
        viewport2D->pan(event->position() - lastPanPoint_);
        viewModel->setDraggingOrZooming(false);
        break;
    case Qt::RightButton:
        rightDown = false;
        break;
    default:
        break;
    }
    lastWorldPosition = viewport2D->toWorld(event->position());
    event->accept();
}

void Viewport2DCommand::wheel(QWheelEvent* event)
{
    // One notch is 120 eighths of a degree; finer wheels and touchpads send
    // parts of it, which add up.
    double notches = event->angleDelta().y() / 120.0;
    if (notches == 0 && !event->pixelDelta().isNull())
        notches = event->pixelDelta().y() / 50.0;
    if (!std::isfinite(notches) || notches == 0) {
        event->accept();
        return;
    }
    notches = std::clamp(notches, -10.0, 10.0);
    viewport2D->wheelGesture();
    viewport2D->zoomAbout(event->position(), std::pow(viewport2D->zoomStep, notches));
    lastWorldPosition = viewport2D->toWorld(event->position());
    event->accept();
}

void Viewport2DCommand::leave()
{
    if (!middleDown)
        viewModel->setStatus(QString());
}

AddLine::AddLine(Viewport2D* viewport2D, ViewModel& viewModel)
    : Viewport2DCommand(viewport2D, viewModel)
{
}
