#pragma once
// Counts the redraw requests the controls make, with the view model's hook
// put back afterwards.
#include "core/RedrawHook.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QRectF>
#include <QTest>
#include <gtest/gtest.h>

struct RedrawCounter {
    int count = 0;
    RedrawCounter()
    {
        ViewModel::shared(); // installs its own hook first
        setRedrawHook([this](Redraw) { ++count; });
    }
    ~RedrawCounter()
    {
        setRedrawHook([](Redraw what) { ViewModel::shared().requestRedraw(what); });
    }
};

// Types text into a line edit as a user would and presses Return.
template <class Field>
void typeAndReturn(Field* field, const QString& text)
{
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
}

// The centre and size fields of a shape's editor, on a shape at (1, 2) of
// size 3 x 1: each edit writes the shape once, a size edit keeps the
// bottom-left corner, and the centre shown after it (through the
// application's redraw, which refreshes the controls) is the new midpoint,
// which typed back moves nothing.
template <class CenterEditor, class SizeEditor>
void expectCentreAndSizeEdits(CenterEditor* center, SizeEditor* size, const QRectF& shape)
{
    {
        RedrawCounter redraws;
        typeAndReturn(center->xField(), "0");
        EXPECT_EQ(shape, QRectF(-1.5, 2, 3, 1));
        typeAndReturn(size->heightField(), "2");
        EXPECT_EQ(shape, QRectF(-1.5, 2, 3, 2));
        EXPECT_EQ(redraws.count, 2);
    }
    typeAndReturn(size->widthField(), "5");
    EXPECT_EQ(shape, QRectF(-1.5, 2, 5, 2));
    EXPECT_EQ(center->xField()->text().toDouble(), 1);
    EXPECT_EQ(center->yField()->text().toDouble(), 3);
    typeAndReturn(center->xField(), center->xField()->text());
    EXPECT_EQ(shape, QRectF(-1.5, 2, 5, 2));
}
