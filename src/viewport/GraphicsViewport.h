#pragma once
// The view hosting one Viewport2D with its zoom-rectangle overlay above it.

#include <QWidget>

class ViewModel;
class Viewport2D;
class ZoomWindowView;

class GraphicsViewport : public QWidget {
    Q_OBJECT
public:
    // Creates the viewport for the PCB sheet (pcb) or the first schematic sheet.
    GraphicsViewport(bool pcb, ViewModel& viewModel, QWidget* parent = nullptr);

    const bool pcb;
    ViewModel& viewModel;
    Viewport2D* viewport() const { return viewport_; }
    ZoomWindowView* zoomWindowView() const { return zoomWindow_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    Viewport2D* viewport_;
    ZoomWindowView* zoomWindow_;
};
