#include "viewport/GraphicsViewport.h"

#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"
#include "viewport/ZoomWindowView.h"

GraphicsViewport::GraphicsViewport(bool pcb, ViewModel& viewModel, QWidget* parent)
    : QWidget(parent), pcb(pcb), viewModel(viewModel)
{
    viewport_ = new Viewport2D(pcb, this);
    zoomWindow_ = new ZoomWindowView(viewModel, this);
    viewport_->setGeometry(rect());
    zoomWindow_->setGeometry(rect());
}

void GraphicsViewport::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    viewport_->setGeometry(rect());
    zoomWindow_->setGeometry(rect());
    zoomWindow_->raise();
}
