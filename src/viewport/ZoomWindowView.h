#pragma once
// The overlay for dragging a zoom rectangle over a viewport. It is visible
// while the view model's zoom flag is set; a left-button drag draws the
// rectangle, the release zooms the active viewport to it and clears zoom.

#include <QPointF>
#include <QSize>
#include <QWidget>
#include <optional>

class ViewModel;

struct LineInfo {
    std::optional<QPointF> start;
    std::optional<QPointF> end;
};

class ZoomWindowView : public QWidget {
    Q_OBJECT
public:
    explicit ZoomWindowView(ViewModel& viewModel, QWidget* parent = nullptr);

    ViewModel& viewModel;
    // The overlay's size as last laid out (zero before).
    QSize viewSize;
    bool redrawAllNotViewportsCalled = true;
    LineInfo lineInfo;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void followZoomFlag(bool zoom);
};
