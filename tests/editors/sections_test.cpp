#include "EditorTestSupport.h"
#include "editors/ChoiceBox.h"
#include "editors/ColorControls.h"
#include "editors/ExtrusionEditor.h"
#include "editors/FillEditor.h"
#include "editors/NumberField.h"
#include "editors/PenEditor.h"

#include <QLocale>
#include <QSettings>
#include <QTabBar>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(PenEditor, EditsWidthColourCapsJoinAndPatternWithOneRedrawEach)
{
    QLocale::setDefault(QLocale::c());
    Pen pen;
    PenEditor editor(pen, Units::mm);
    EXPECT_EQ(editor.title(), QStringLiteral("Pen"));
    EXPECT_EQ(editor.widthField()->text(), QStringLiteral("0.254"));
    RedrawCounter redraws;

    typeAndReturn(editor.widthField(), QStringLiteral("2.54"));
    EXPECT_DOUBLE_EQ(pen.width, 0.1);
    EXPECT_EQ(redraws.count, 1);

    editor.colorButton()->commitColor(QColor(10, 20, 30, 40));
    EXPECT_EQ(pen.color, QColor(10, 20, 30, 40));
    EXPECT_EQ(redraws.count, 2);
    editor.colorButton()->commitColor(QColor()); // a cancelled dialog
    EXPECT_EQ(pen.color, QColor(10, 20, 30, 40));
    EXPECT_EQ(redraws.count, 2);

    editor.endCapEditor()->startCapBox()->choose(int(LineCap::arrowAnchor));
    editor.endCapEditor()->endCapBox()->choose(int(LineCap::flat));
    EXPECT_EQ(pen.startCap, LineCap::arrowAnchor);
    EXPECT_EQ(pen.endCap, LineCap::flat);
    EXPECT_EQ(redraws.count, 4);

    editor.joinBox()->choose(int(LineJoin::miter));
    editor.lineStyleEditor()->patternBox()->choose(int(LinePattern::dashDot));
    EXPECT_EQ(pen.lineJoin, LineJoin::miter);
    EXPECT_EQ(pen.linePattern, LinePattern::dashDot);
    EXPECT_EQ(redraws.count, 6);

    // The pickers list the file's words.
    auto* caps = editor.endCapEditor()->startCapBox();
    ASSERT_EQ(caps->count(), 7);
    EXPECT_EQ(caps->itemText(0), QStringLiteral("flat"));
    EXPECT_EQ(caps->itemText(3), QStringLiteral("arrowAnchor"));
}

TEST(PenEditor, NegativeWidthIsHeldAtZero)
{
    Pen pen;
    PenEditor editor(pen);
    typeAndReturn(editor.widthField(), QStringLiteral("-1"));
    EXPECT_EQ(pen.width, 0.0);
    EXPECT_EQ(editor.widthField()->text(), QStringLiteral("0"));
}

TEST(PenEditor, ShowsModelChangesMadeElsewhere)
{
    Pen pen;
    PenEditor editor(pen);
    pen.width = 0.5;
    pen.endCap = LineCap::round;
    pen.color = QColor(Qt::red);
    refreshControls(&editor);
    EXPECT_EQ(editor.widthField()->text(), QStringLiteral("0.5"));
    EXPECT_EQ(editor.endCapEditor()->endCapBox()->currentValue(), int(LineCap::round));
    EXPECT_EQ(editor.colorButton()->shownColor(), QColor(Qt::red));
}

TEST(FillEditor, ColourPaletteTypeAndSecondColour)
{
    Brush brush(QColor(0, 0, 0, 0));
    FillEditor editor(brush);
    EXPECT_EQ(editor.title(), QStringLiteral("Fill"));
    EXPECT_FALSE(editor.secondColorButton()->parentWidget()->isEnabled());
    RedrawCounter redraws;

    // A palette colour replaces even a transparent fill, fully opaque.
    ASSERT_EQ(editor.colorPalette()->count(), 15);
    editor.colorPalette()->swatch(0)->click();
    EXPECT_EQ(brush.color, QColor(0xff, 0x29, 0x87));
    EXPECT_EQ(editor.colorButton()->shownColor(), brush.color);
    EXPECT_EQ(redraws.count, 1);

    editor.typeBox()->choose(int(BrushType::radial));
    EXPECT_EQ(brush.brushType, BrushType::radial);
    EXPECT_TRUE(editor.secondColorButton()->parentWidget()->isEnabled());
    editor.secondColorButton()->commitColor(QColor(Qt::blue));
    EXPECT_EQ(brush.secondColor(), QColor(Qt::blue));
    EXPECT_EQ(redraws.count, 3);
}

class ExtrusionSettings : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear()
    {
        QSettings s;
        s.remove(ExtrusionEditor::expandedKey);
        s.remove(ExtrusionEditor::tabKey);
    }
};

TEST_F(ExtrusionSettings, ReadsAndWritesItsUserDefaults)
{
    double base = 0, height = 1;
    {
        ExtrusionEditor editor(nullptr, base, height);
        EXPECT_EQ(editor.title(), QStringLiteral("Extrusion"));
        EXPECT_FALSE(editor.isExpanded()); // no stored value: folded
        EXPECT_EQ(editor.currentTab(), 0);
        editor.setExpanded(true);
        editor.setCurrentTab(1);
    }
    QSettings s;
    EXPECT_EQ(s.value(ExtrusionEditor::expandedKey).toBool(), true);
    EXPECT_EQ(s.value(ExtrusionEditor::tabKey).toInt(), 1);

    ExtrusionEditor again(nullptr, base, height);
    EXPECT_TRUE(again.isExpanded());
    EXPECT_EQ(again.currentTab(), 1);
    again.setExpanded(false);
    EXPECT_EQ(QSettings().value(ExtrusionEditor::expandedKey).toBool(), false);
}

TEST_F(ExtrusionSettings, AStoredTabOutOfRangeGivesTheFirst)
{
    double base = 0, height = 1;
    for (const QVariant& stored : {QVariant(7), QVariant(-1), QVariant(QStringLiteral("x"))}) {
        QSettings().setValue(ExtrusionEditor::tabKey, stored);
        ExtrusionEditor editor(nullptr, base, height);
        EXPECT_EQ(editor.currentTab(), 0) << stored.toString().toStdString();
    }
}

TEST_F(ExtrusionSettings, BaseHeightAndTopInSheetUnits)
{
    QLocale::setDefault(QLocale::c());
    double base = 1, height = 2;
    ExtrusionEditor editor(nullptr, base, height, Units::mm);
    EXPECT_EQ(editor.topField()->text(), QStringLiteral("76.2"));
    RedrawCounter redraws;

    typeAndReturn(editor.heightField(), QStringLiteral("25.4"));
    EXPECT_DOUBLE_EQ(height, 1.0);
    EXPECT_EQ(redraws.count, 1);

    // Top = base + height; moving the base on the top page keeps the top.
    typeAndReturn(editor.topField(), QStringLiteral("101.6"));
    EXPECT_DOUBLE_EQ(base, 1.0);
    EXPECT_DOUBLE_EQ(height, 3.0);
    typeAndReturn(editor.topBaseField(), QStringLiteral("50.8"));
    EXPECT_DOUBLE_EQ(base, 2.0);
    EXPECT_DOUBLE_EQ(height, 2.0);
    EXPECT_EQ(redraws.count, 3);
}
