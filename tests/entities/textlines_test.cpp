#include "EntityTestSupport.h"

#include "editors/ExpandableTextEditor.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"
#include "entities/drawing/TextEditor.h"
#include "entities/drawing/TextLines.h"
#include "model/EntityFactory.h"

#include "../editors/EditorTestSupport.h"

#include <gtest/gtest.h>

#include <memory>

TEST(TextLines, ReadsTheTextAndKeepsItsOwnValuesUnlessReadable)
{
    auto t = readAs<TextLines>(R"(<text text="Hi" at="1,2" alignment="topLeft" subPickable="true"
        extrusionBase="0.125" extrusionHeight="0.1"/>)");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->position, QPointF(1, 2));
    EXPECT_EQ(t->contentAlignment, ContentAlignment::topLeft);
    EXPECT_TRUE(t->subPickable);
    EXPECT_EQ(t->extrusionBase, 0.125);
    EXPECT_EQ(t->extrusionHeight, 0.1); // double precision, not a widened float
    EXPECT_EQ(t->typeName(), "Text \"Hi\"");

    // Blanks, letters and non-finite numbers keep the value; "TRUE" is false.
    pugi::xml_document doc = parseXml(R"(<text extrusionBase=" 1" extrusionHeight="1e999" subPickable="TRUE"/>)");
    t->readXML(doc.first_child());
    EXPECT_EQ(t->extrusionBase, 0.125);
    EXPECT_EQ(t->extrusionHeight, 0.1);
    EXPECT_FALSE(t->subPickable);
    auto fresh = readAs<TextLines>(R"(<text extrusionBase="abc"/>)");
    EXPECT_EQ(fresh->extrusionBase, 0);
    EXPECT_FALSE(fresh->subPickable);
}

TEST(TextLines, EditorWritesAnchorAndTextAndAsksForRedraws)
{
    auto t = readAs<TextLines>(R"(<text text="One" at="0.5,0.5"/>)");
    std::unique_ptr<QWidget> view(editorFor(t));
    auto* editor = qobject_cast<TextEditor*>(view.get());
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->title(), "Text");
    EXPECT_EQ(editor->textEntity, t);
    editor->show();

    RedrawCounter redraws;
    typeAndReturn(editor->centerEditor()->yField(), QStringLiteral("1.25"));
    EXPECT_EQ(t->position, QPointF(0.5, 1.25));
    EXPECT_EQ(redraws.count, 1);
    // A line break typed in the editor is a lone line feed: one layout line.
    editor->textEditor()->moveCursor(QTextCursor::End);
    QTest::keyClick(editor->textEditor(), Qt::Key_Return);
    QTest::keyClicks(editor->textEditor(), QStringLiteral("Two"));
    EXPECT_EQ(t->text, "One\nTwo");
    EXPECT_GE(redraws.count, 2);
    t->updateGeometry(std::nullopt, nullptr);
    EXPECT_EQ(t->lines().size(), 1);
}
