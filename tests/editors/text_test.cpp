#include "EditorTestSupport.h"
#include "editors/ExpandableTextEditor.h"

#include <gtest/gtest.h>

TEST(ExpandableTextEditor, EachChangeWritesTheStringAndRequestsOneRedraw)
{
    QString text = QStringLiteral("R1");
    ExpandableTextEditor editor(text);
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("R1"));
    RedrawCounter redraws;
    editor.moveCursor(QTextCursor::End);
    QTest::keyClicks(&editor, QStringLiteral("0k"));
    EXPECT_EQ(text, QStringLiteral("R10k"));
    EXPECT_EQ(redraws.count, 2);
}

TEST(ExpandableTextEditor, StartsAt38AndFollowsItsText)
{
    QString text;
    ExpandableTextEditor editor(text);
    editor.resize(200, editor.height());
    editor.show();
    EXPECT_EQ(editor.textHeight(), 38);
    EXPECT_EQ(editor.height(), 38);

    text = QStringLiteral("one\ntwo\nthree\nfour\nfive\nsix");
    refreshControls(&editor);
    const int tall = editor.height();
    EXPECT_GT(tall, 38 + 3 * editor.fontMetrics().lineSpacing());

    // Shrinks back, never below the start height.
    editor.setPlainText(QString());
    EXPECT_EQ(editor.height(), 38);
    EXPECT_TRUE(text.isEmpty());
}

TEST(ExpandableTextEditor, RefreshTakesOutsideChangesWithoutWritingBack)
{
    int writes = 0;
    QString model = QStringLiteral("a");
    ExpandableTextEditor editor([&] { return model; },
                                [&](const QString& s) {
                                    ++writes;
                                    model = s;
                                });
    RedrawCounter redraws;
    model = QStringLiteral("changed elsewhere");
    editor.refresh();
    EXPECT_EQ(editor.toPlainText(), model);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(redraws.count, 0);
}
