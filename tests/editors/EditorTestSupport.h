#pragma once
// Counts the redraw requests the controls make, with the view model's hook
// put back afterwards.
#include "core/RedrawHook.h"
#include "viewport/ViewModel.h"
#include "viewport/Viewport2D.h"

#include <QTest>

struct RedrawCounter {
    int count = 0;
    RedrawCounter()
    {
        ViewModel::shared(); // installs its own hook first
        setRedrawHook([this] { ++count; });
    }
    ~RedrawCounter()
    {
        setRedrawHook([] { ViewModel::shared().incrementRedraws(); });
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
