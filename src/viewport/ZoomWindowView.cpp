#include "viewport/ZoomWindowView.h"

#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ZoomWindowView::ZoomWindowView(ViewModel& viewModel, QWidget* parent)
    : QWidget(parent), viewModel(viewModel)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::CrossCursor);
    setFocusPolicy(Qt::StrongFocus);
    connect(&viewModel, &ViewModel::zoomChanged, this, [this](bool zoom) { followZoomFlag(zoom); });
    followZoomFlag(viewModel.zoom());
}

void ZoomWindowView::followZoomFlag(bool zoom)
{
    lineInfo = LineInfo();
    setVisible(zoom);
    if (zoom) {
        raise();
        setFocus();
    }
    update();
}

void ZoomWindowView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A faint wash tells the user the next drag chooses an area.
    painter.fillRect(rect(), QColor(128, 128, 128, 24));
    if (!lineInfo.start || !lineInfo.end)
        return;
    const QRectF r = QRectF(*lineInfo.start, *lineInfo.end).normalized();
    painter.setPen(QPen(QColor(0, 120, 215), 1, Qt::DashLine));
    painter.setBrush(QColor(0, 120, 215, 40));
    painter.drawRect(r);
}

void ZoomWindowView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    lineInfo.start = event->position();
    lineInfo.end = event->position();
    viewModel.setDraggingOrZooming(true);
    update();
}

void ZoomWindowView::mouseMoveEvent(QMouseEvent* event)
{
    if (!lineInfo.start)
        return;
    lineInfo.end = event->position();
    update();
}

void ZoomWindowView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !lineInfo.start)
        return;
    lineInfo.end = event->position();
    const QRectF r = QRectF(*lineInfo.start, *lineInfo.end).normalized();
    lineInfo = LineInfo();
    if (Viewport2D* v = viewModel.activeViewport2D()) {
        // The rectangle was drawn over this overlay; the viewport may sit
        // elsewhere in the window.
        const QPointF offset = v->mapFromGlobal(mapToGlobal(QPointF(0, 0)));
        viewModel.requestRedraw(Redraw::view);
        v->zoomToRect(r.translated(offset));
    }
    // The gesture ends with the rectangle: the new view is drawn at once.
    viewModel.setDraggingOrZooming(false);
    viewModel.setZoom(false);
}

void ZoomWindowView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    viewSize = size();
}

void ZoomWindowView::keyPressEvent(QKeyEvent* event)
{
    // Escape gives up the zoom rectangle.
    if (event->key() == Qt::Key_Escape) {
        lineInfo = LineInfo();
        viewModel.setDraggingOrZooming(false);
        viewModel.setZoom(false);
        return;
    }
    QWidget::keyPressEvent(event);
}
