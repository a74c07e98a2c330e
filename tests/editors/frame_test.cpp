#include "EditorTestSupport.h"
#include "document/Design.h"
#include "document/DesignState.h"
#include "document/PCB.h"
#include "editors/EntityEditor.h"
#include "editors/Header.h"
#include "editors/NumberField.h"
#include "editors/ParameterEditors.h"
#include "model/Entity.h"

#include <QLabel>
#include <QLocale>
#include <gtest/gtest.h>

namespace {
bool showsText(QWidget* root, const QString& text)
{
    const auto labels = root->findChildren<QLabel*>();
    return std::any_of(labels.begin(), labels.end(),
                       [&](QLabel* l) { return l->text() == text && l->isVisibleTo(root); });
}
}

TEST(EntityEditorFrame, EmptyContentSaysNoEditableParameters)
{
    FrameEditor editor(QStringLiteral("Copper Pour"));
    EXPECT_EQ(editor.title(), QStringLiteral("Copper Pour"));
    EXPECT_TRUE(showsText(&editor, QStringLiteral("Copper Pour")));
    EXPECT_TRUE(showsText(&editor, QStringLiteral("No editable parameters")));

    EntityContentEditor content;
    EXPECT_TRUE(content.isEmpty());
    EXPECT_TRUE(content.addBorder());
    QPointF p;
    content.addControl(new PointParametersEditor(p, QStringLiteral("Center")));
    EXPECT_FALSE(content.isEmpty());
    EXPECT_FALSE(showsText(&content, QStringLiteral("No editable parameters")));
}

TEST(EntityEditorFrame, HeaderTitleAndIconThenContentInOrder)
{
    EntityEditor editor(QStringLiteral("Line"), QStringLiteral("line.diagonal"));
    EXPECT_EQ(editor.header()->title(), QStringLiteral("Line"));
    ASSERT_NE(editor.header()->iconLabel(), nullptr);
    EXPECT_FALSE(editor.header()->iconLabel()->pixmap().isNull());
    auto* first = new QLabel(QStringLiteral("first"));
    auto* second = new QLabel(QStringLiteral("second"));
    editor.addContent(first);
    editor.addContent(second);
    editor.resize(300, 400);
    editor.show();
    EXPECT_LT(editor.header()->mapTo(&editor, QPoint()).y(), first->mapTo(&editor, QPoint()).y());
    EXPECT_LT(first->mapTo(&editor, QPoint()).y(), second->mapTo(&editor, QPoint()).y());
}

TEST(EntityEditorFrame, RefreshesItsControlsWhenTheViewModelRedraws)
{
    QLocale::setDefault(QLocale::c());
    ViewModel& vm = ViewModel::shared();
    double x = 1, y = 2;
    EntityEditor editor(QStringLiteral("Point Guide"));
    auto* content = new EntityContentEditor;
    auto* a = new PointParametersEditor(bindNumber(x), bindNumber(y), QStringLiteral("Position"));
    auto* b = new PointParametersEditor(bindNumber(x), bindNumber(y), QStringLiteral("Again"));
    content->addControl(a);
    content->addControl(b);
    editor.addContent(content);
    editor.show();

    // An edit in one row goes through the view model's redraw, which brings
    // the other row bound to the same value up to date.
    const int before = vm.redraws();
    typeAndReturn(a->xField(), QStringLiteral("5"));
    EXPECT_EQ(vm.redraws(), before + 1);
    EXPECT_EQ(x, 5.0);
    EXPECT_EQ(b->xField()->text(), QStringLiteral("5"));

    // A change made elsewhere shows at the next redraw.
    y = 7;
    vm.requestRedraw(Redraw::model);
    EXPECT_EQ(a->yField()->text(), QStringLiteral("7"));
}

TEST(EntityEditorFrame, KeepsTheEntityAndItsSheetAliveAndReadsTheSheetUnits)
{
    QLocale::setDefault(QLocale::c());
    auto state = std::make_shared<DesignState>(&Design::shared());
    state->pcb->settings().units = Units::mm;
    auto entity = std::make_shared<Entity>(state->pcb.get());
    std::weak_ptr<Entity> weak = entity;
    QPointF where(1, 0);
    auto* editor = new EntityEditor(QStringLiteral("Test"));
    editor->keepEntityAlive(entity);
    auto* row = new PointParametersEditor(where, QStringLiteral("Center"), entityUnits(entity.get()));
    editor->addContent(row);
    entity.reset();
    EXPECT_FALSE(weak.expired());
    EXPECT_EQ(row->xField()->text(), QStringLiteral("25.4"));
    delete editor;
    EXPECT_TRUE(weak.expired());

    // No sheet: inches.
    Entity loose(nullptr);
    EXPECT_EQ(entityUnits(&loose)(), Units::inch);
}

TEST(NotImplementedEditor, TitleOverARedNotice)
{
    NotImplementedEditor editor(QStringLiteral("Dial"));
    EXPECT_EQ(editor.title(), QStringLiteral("Dial"));
    EXPECT_TRUE(showsText(&editor, QStringLiteral("Dial")));
    EXPECT_EQ(editor.messageLabel()->text(), QStringLiteral("Not implemented"));
    EXPECT_EQ(editor.messageLabel()->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_GT(editor.messageLabel()->font().pointSizeF(), QApplication::font().pointSizeF());

    RedrawCounter redraws;
    editor.submit();
    EXPECT_EQ(redraws.count, 1);
}
