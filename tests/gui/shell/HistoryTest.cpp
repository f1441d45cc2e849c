// Back and forward through the items shown.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "shell/NavigationHistory.h"

#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override {
        QStringList titles;
        for (int i = 0; i < 45; ++i)
            titles << QStringLiteral("N%1").arg(i);
        FillBooks(form, titles);
        history = TNavigationHistory::of(form);
        ASSERT_TRUE(history);
    }
    TLeafNote* item(int i) { return form.Outline->topLevel(i)->item(); }
    void visit(int i) { form.GoToItem(item(i)); }
    QString shown() { return TitleOf(form.CurrentItem); }
    bool enabled(const char* name) {
        return form.Commands->action(QString::fromLatin1(name))->isEnabled();
    }
    QStringList menu(const char* name) {
        QMenu* m = form.Commands->menu(QString::fromLatin1(name));
        form.Commands->trigger(QString::fromLatin1(name)); // its opening handler
        QStringList out;
        for (QAction* a : m->actions())
            out << a->text();
        return out;
    }
    void choose(const char* name, int index) {
        QMenu* m = form.Commands->menu(QString::fromLatin1(name));
        form.Commands->trigger(QString::fromLatin1(name));
        m->actions().at(index)->trigger();
    }

    TestHome home;
    TFormMain form;
    TNavigationHistory* history = nullptr;
};

} // namespace

TEST_F(History, BackShowsThePreviousItemAndAVisitEmptiesForward) {
    EXPECT_FALSE(enabled("TBBack"));
    EXPECT_FALSE(enabled("TBForward"));
    visit(0); // X
    EXPECT_FALSE(enabled("TBBack"));
    visit(1); // Y
    visit(2); // Z
    EXPECT_TRUE(enabled("TBBack"));
    form.Commands->trigger(QStringLiteral("TBBack"));
    EXPECT_EQ(shown(), "N1");
    EXPECT_TRUE(enabled("TBForward"));
    EXPECT_EQ(menu("PopupMenuForward"), QStringList{"N2"});
    form.Commands->trigger(QStringLiteral("TBForward"));
    EXPECT_EQ(shown(), "N2");
    form.Commands->trigger(QStringLiteral("TBBack"));
    visit(3);
    EXPECT_FALSE(enabled("TBForward"));
    EXPECT_TRUE(history->lists().Forward.isEmpty());
    EXPECT_EQ(history->lists().Back, (QStringList{"N3", "N1", "N0"}));
}

TEST_F(History, KeepsThirtyTwoAndItsMenuShowsTen) {
    for (int i = 0; i < 40; ++i)
        visit(i);
    EXPECT_EQ(history->lists().Back.size(), 32);
    EXPECT_EQ(history->lists().Back.front(), "N39");
    EXPECT_EQ(history->lists().Back.back(), "N8");
    const QStringList entries = menu("PopupMenuBack");
    ASSERT_EQ(entries.size(), 10);
    EXPECT_EQ(entries.front(), "N38");
    EXPECT_EQ(entries.back(), "N29");
    // The third entry goes back three steps.
    choose("PopupMenuBack", 2);
    EXPECT_EQ(shown(), "N36");
    EXPECT_EQ(history->lists().Forward, (QStringList{"N37", "N38", "N39"}));
    choose("PopupMenuForward", 1);
    EXPECT_EQ(shown(), "N38");
}

TEST_F(History, ItemsWithoutIdAreFoundByTitleAndIdsWin) {
    item(5)->SetTitle("N1"); // a second "N1", after the first in tree order
    visit(5);
    visit(2);
    form.Commands->trigger(QStringLiteral("TBBack"));
    EXPECT_EQ(form.CurrentItem, item(1)); // the first of that title
    // With an id the entry names its own item.
    item(5)->AssignNodeId();
    visit(5);
    EXPECT_TRUE(history->lists().Back.front().startsWith(QStringLiteral("N1;")));
    visit(3);
    form.Commands->trigger(QStringLiteral("TBBack"));
    EXPECT_EQ(form.CurrentItem, item(5));
}

TEST_F(History, AStepThatFindsNothingLeavesTheFlagSet) {
    visit(0);
    visit(1);
    visit(0);
    // Entry 1 names N1, which is no more.
    item(1)->SetTitle("N0");
    form.Commands->trigger(QStringLiteral("TBBack"));
    EXPECT_EQ(form.CurrentItem, item(0));
    EXPECT_TRUE(history->lists().Navigating);
    EXPECT_EQ(history->lists().Back.front(), "N1");
    visit(4); // not recorded
    EXPECT_FALSE(history->lists().Navigating);
    EXPECT_EQ(history->lists().Back.front(), "N1");
    visit(5);
    EXPECT_EQ(history->lists().Back.front(), "N5");
}

TEST_F(History, ANewDocumentClearsTheBackList) {
    visit(0);
    visit(1);
    form.Outline->beginReset();
    form.Outline->endReset();
    EXPECT_TRUE(history->lists().Back.isEmpty());
    EXPECT_FALSE(enabled("TBBack"));
}
