#include "EditorTestSupport.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {
// A centre with its own setter, as a rectangle keeps its geometry in a rect.
struct Box {
    QRectF rect{0, 0, 2, 1};
    int centerWrites = 0;
    QPointF center() const { return rect.center(); }
    void setCenter(const QPointF& c)
    {
        ++centerWrites;
        rect.moveCenter(c);
    }
};

class ParameterEditors : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }
};
}

TEST_F(ParameterEditors, PointTypedInMillimetresWritesInchesOnceWithOneRedraw)
{
    RedrawCounter redraws;
    Box box;
    PointParametersEditor editor([&] { return box.center(); }, [&](const QPointF& c) { box.setCenter(c); },
                                 QStringLiteral("Center"), Units::mm);
    EXPECT_EQ(editor.xField()->text(), QStringLiteral("25.4"));
    EXPECT_EQ(editor.yField()->text(), QStringLiteral("12.7"));

    typeAndReturn(editor.xField(), QStringLiteral("50.8"));
    EXPECT_DOUBLE_EQ(box.center().x(), 2.0);
    EXPECT_DOUBLE_EQ(box.center().y(), 0.5);
    EXPECT_DOUBLE_EQ(box.rect.width(), 2.0); // moved, not resized, by the entity's setter
    EXPECT_EQ(box.centerWrites, 1);
    EXPECT_EQ(redraws.count, 1);

    // Losing focus after Return commits nothing more.
    emit editor.xField()->editingFinished();
    EXPECT_EQ(box.centerWrites, 1);
    EXPECT_EQ(redraws.count, 1);
}

TEST_F(ParameterEditors, UnitsAreAskedAtEachRefresh)
{
    Units units = Units::mm;
    double x = 1, y = 0.25;
    PointParametersEditor editor(bindNumber(x), bindNumber(y), QStringLiteral("Start"), [&] { return units; });
    EXPECT_EQ(editor.xField()->text(), QStringLiteral("25.4"));
    units = Units::thou;
    refreshControls(&editor);
    EXPECT_EQ(editor.xField()->text(), QStringLiteral("1000"));
    EXPECT_EQ(editor.yField()->text(), QStringLiteral("250"));
    auto labels = editor.findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* l) { return l->text() == "thou"; }));

    RedrawCounter redraws;
    typeAndReturn(editor.yField(), QStringLiteral("500"));
    EXPECT_DOUBLE_EQ(y, 0.5);
    EXPECT_EQ(redraws.count, 1);
}

TEST_F(ParameterEditors, UnreadableTextIsRejectedAndTheModelValueShownAgain)
{
    RedrawCounter redraws;
    QSizeF size(1, 2);
    SizeParametersEditor editor(size, QStringLiteral("Size"), Units::inch);
    for (const char* bad : {"abc", "", "1.5mm", "nan", "inf", "1e999"}) {
        typeAndReturn(editor.heightField(), QString::fromLatin1(bad));
        EXPECT_EQ(size, QSizeF(1, 2)) << bad;
        EXPECT_EQ(editor.heightField()->text(), QStringLiteral("2")) << bad;
    }
    EXPECT_EQ(redraws.count, 0);

    typeAndReturn(editor.widthField(), QStringLiteral(" 0.125 "));
    EXPECT_EQ(size, QSizeF(0.125, 2));
    EXPECT_EQ(redraws.count, 1);
}

TEST_F(ParameterEditors, ModelChangesShowOnRefreshButNotWhileUntouched)
{
    QPointF p(1, 1);
    PointParametersEditor editor(p, QStringLiteral("Position"), Units::inch);
    p = QPointF(3, 4);
    EXPECT_EQ(editor.xField()->text(), QStringLiteral("1"));
    refreshControls(&editor);
    EXPECT_EQ(editor.xField()->text(), QStringLiteral("3"));
    EXPECT_EQ(editor.yField()->text(), QStringLiteral("4"));
}

TEST_F(ParameterEditors, TwoParametersWriteRawNumbersWithTheirDecimals)
{
    RedrawCounter redraws;
    double start = 45.4, end = 90;
    TwoParametersEditor editor(QStringLiteral("Start"), bindNumber(start), QStringLiteral("End"), bindNumber(end), 0);
    EXPECT_EQ(editor.firstField()->text(), QStringLiteral("45"));
    typeAndReturn(editor.secondField(), QStringLiteral("-30.5"));
    EXPECT_DOUBLE_EQ(end, -30.5);
    EXPECT_EQ(editor.secondField()->text(), QStringLiteral("-31")); // shown rounded, stored as typed
    EXPECT_DOUBLE_EQ(start, 45.4);
    EXPECT_EQ(redraws.count, 1);
}

TEST(NumberFormatting, TrailingZerosAndLocales)
{
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(formatNumber(25.4, 3), QStringLiteral("25.4"));
    EXPECT_EQ(formatNumber(1.0, 4), QStringLiteral("1"));
    EXPECT_EQ(formatNumber(-0.00001, 3), QStringLiteral("0"));
    EXPECT_EQ(formatNumber(1234567.0, 2), QStringLiteral("1234567"));

    // A German user may type either decimal separator.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    double v = 0;
    EXPECT_TRUE(parseNumber(QStringLiteral("2,5"), &v));
    EXPECT_DOUBLE_EQ(v, 2.5);
    EXPECT_TRUE(parseNumber(QStringLiteral("2.5"), &v));
    EXPECT_DOUBLE_EQ(v, 2.5);
    EXPECT_EQ(formatNumber(2.5, 2), QStringLiteral("2,5"));
    QLocale::setDefault(QLocale::c());
}

TEST(NumberFormatting, GroupSeparatorsAreNotThousands)
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    double v = 0;
    EXPECT_TRUE(parseNumber(QStringLiteral("1.000"), &v));
    EXPECT_DOUBLE_EQ(v, 1.0);
    QLocale::setDefault(QLocale::c());
}

TEST_F(ParameterEditors, ARefreshLeavesTextBeingTypedAlone)
{
    double x = 1, y = 2;
    PointParametersEditor editor(bindNumber(x), bindNumber(y), QStringLiteral("Center"));
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    editor.xField()->setFocus();
    ASSERT_TRUE(editor.xField()->hasFocus());
    editor.xField()->selectAll();
    QTest::keyClicks(editor.xField(), QStringLiteral("3.5"));
    x = 9; // an edit elsewhere redraws meanwhile
    refreshControls(&editor);
    EXPECT_EQ(editor.xField()->text(), QStringLiteral("3.5"));
    EXPECT_EQ(editor.yField()->text(), QStringLiteral("2"));
    QTest::keyClick(editor.xField(), Qt::Key_Return);
    EXPECT_EQ(x, 3.5);
}
