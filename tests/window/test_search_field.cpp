#include "AppTableModel.h"
#include "SearchField.h"
#include "WindowFixture.h"

#include <QTest>

TEST_F(WindowTest, TypingInTheSearchFieldFiltersAtOnce)
{
    model->setApps({ app(QStringLiteral("com.example.calendar"), QStringLiteral("Calendar"), 1),
                     app(QStringLiteral("com.example.camera"), QStringLiteral("Camera"), 2),
                     app(QStringLiteral("org.sample.notes"), QStringLiteral("Notes"), 3) });
    SearchField* field = view->searchField();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->placeholderText(), QStringLiteral("Search"));
    field->show();
    field->setFocus();

    QTest::keyClicks(field, QStringLiteral("c"));
    EXPECT_EQ(model->searchQuery(), QStringLiteral("c"));
    EXPECT_EQ(names(), (QStringList { QStringLiteral("Calendar"), QStringLiteral("Camera") }));
    QTest::keyClicks(field, QStringLiteral("AL"));
    EXPECT_EQ(names(), QStringList { QStringLiteral("Calendar") });

    // Ids match too.
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("sample"));
    EXPECT_EQ(names(), QStringList { QStringLiteral("Notes") });
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(model->searchQuery(), QStringLiteral("sampl"));
}

TEST_F(WindowTest, SearchFieldFollowsTheQueryOnlyWhenItDiffers)
{
    SearchField* field = view->searchField();
    field->show();

    // A change made elsewhere replaces the text.
    model->setSearchQuery(QStringLiteral("notes"));
    EXPECT_EQ(field->text(), QStringLiteral("notes"));

    // A canonically equal value leaves the user's text, caret and selection alone.
    const QString decomposed = QStringLiteral("cafe\u0301s");
    field->setText(decomposed);
    field->setSelection(1, 2);
    model->setSearchQuery(QStringLiteral("caf\u00e9s"));
    EXPECT_EQ(field->text(), decomposed);
    EXPECT_EQ(field->selectionStart(), 1);
    EXPECT_EQ(field->selectedText().size(), 2);

    // Typing does not move the caret: each edit writes the query, which then equals the text.
    field->setText(QStringLiteral("abd"));
    field->setCursorPosition(2);
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("c"));
    EXPECT_EQ(model->searchQuery(), QStringLiteral("abcd"));
    EXPECT_EQ(field->cursorPosition(), 3);
}

TEST_F(WindowTest, SearchFieldLivesOnInAToolbarThatOutlivesTheView)
{
    QWidget toolbar;
    view->searchField()->setParent(&toolbar);
    QPointer<SearchField> field = view->searchField();
    view.reset();
    ASSERT_FALSE(field.isNull());
    QTest::keyClicks(field, QStringLiteral("q"));
    EXPECT_EQ(model->searchQuery(), QStringLiteral("q"));

    // Without a toolbar the view deletes its field.
    auto second = std::make_unique<ContentView>(*model);
    QPointer<SearchField> orphan = second->searchField();
    second.reset();
    EXPECT_TRUE(orphan.isNull());
}
