// An item dragged between two processes under the test's own X server: the
// pointer is moved by xdotool as a user's hand would move it.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "editor/RichEditLink.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/OutlineModel.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class Helper {
public:
    explicit Helper(const QStringList& args) {
        m_process.start(QStringLiteral(WREN_DND_HELPER), args);
        m_ready = m_process.waitForStarted(5000) &&
                  WaitFor([this] { return readLine() == "ready"; }, 15000);
    }
    ~Helper() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool ready() const { return m_ready; }
    // The next line the helper says (empty while it says nothing).
    QByteArray readLine() {
        m_process.waitForReadyRead(10);
        if (!m_process.canReadLine())
            return QByteArray();
        return m_process.readLine().trimmed();
    }

private:
    QProcess m_process;
    bool m_ready = false;
};

// Presses at from, moves in small steps to to, releases there. With
// clickFirst the pointer clicks at from just before (a second press soon
// after a click, as a hand does that picks an item up right after choosing it).
QProcess* dragWithPointer(const QPoint& from, const QPoint& to, bool clickFirst = false) {
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        return nullptr;
    QStringList args{"mousemove", QString::number(from.x()), QString::number(from.y()), "sleep",
                     "0.3"};
    if (clickFirst)
        args << "click"
             << "1"
             << "sleep"
             << "0.15";
    args << "mousedown"
         << "1"
         << "sleep"
         << "0.2";
    for (int i = 1; i <= 10; ++i) {
        const QPoint p = from + (to - from) * i / 10;
        args << "mousemove" << QString::number(p.x()) << QString::number(p.y()) << "sleep"
             << "0.1";
    }
    args << "mousemove" << QString::number(to.x() + 1) << QString::number(to.y()) << "sleep"
         << "0.4"
         << "mouseup"
         << "1";
    auto* p = new QProcess;
    p->start(xdotool, args);
    return p;
}

class TwoProcesses : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        B = form.Outline->topLevel(1);
        TLeafNote::Create(*form.Outline, InsertLastChild, B)->SetTitle("B1");
        form.setGeometry(0, 0, 500, 400);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            GTEST_SKIP() << "xdotool is missing (scripts/deps.sh test installs it)";
    }
    QPoint globalRow(TOutlineNode* n, int dy) {
        const QRect r = form.ExplorerView->visualRect(form.TreeModel->indexFromNode(n));
        return form.ExplorerView->viewport()->mapToGlobal(
            QPoint(r.left() + 8, r.center().y() + dy));
    }

    TestHome home;
    TFormMain form;
    TOutlineNode* B = nullptr;
};

} // namespace

TEST_F(TwoProcesses, AnItemDraggedFromAnotherProcessArrivesAsACopy) {
    // The other process drags the item stream of a branch "X" with child "Y".
    TOptionDesc settings;
    TOutline other(&settings);
    TLeafNote* x = TLeafNote::Create(other, InsertBottomOfLevel, nullptr);
    x->SetTitle("X");
    x->AssignNodeId();
    TLeafNote::Create(other, InsertLastChild, x->TreeNode)->SetTitle("Y");
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("branch.bin")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(OutlineFile::writeItems(x->TreeNode, true));
    f.close();

    Helper helper({QStringLiteral("--drag"), f.fileName()});
    ASSERT_TRUE(helper.ready());
    const int count = form.Outline->count();
    // Onto the lower third of "A": just after it.
    std::unique_ptr<QProcess> hand(
        dragWithPointer(QPoint(700, 200), globalRow(form.Outline->topLevel(0), 4)));
    ASSERT_TRUE(hand);
    ASSERT_TRUE(WaitFor([&] { return form.Outline->count() == count + 2; }, 20000))
        << "items now " << form.Outline->count();
    TOutlineNode* arrived = form.Outline->topLevel(1);
    EXPECT_EQ(TitleOf(arrived), "X");
    EXPECT_EQ(arrived->item()->NodeId, 0);
    ASSERT_EQ(arrived->childCount(), 1);
    EXPECT_EQ(TitleOf(arrived->child(0)), "Y");
    // The other process is told Copy: it keeps its item.
    QByteArray said;
    EXPECT_TRUE(WaitFor(
        [&] {
            said = helper.readLine();
            return said.startsWith("dragged");
        },
        10000));
    EXPECT_EQ(said, "dragged " + QByteArray::number(int(Qt::CopyAction)));
    hand->waitForFinished(5000);
}

TEST_F(TwoProcesses, TextDraggedFromAnotherProgramIsCopiedNotMoved) {
    Helper helper({QStringLiteral("--text"), QStringLiteral("first line\nsecond line")});
    ASSERT_TRUE(helper.ready());
    const int count = form.Outline->count();
    std::unique_ptr<QProcess> hand(
        dragWithPointer(QPoint(700, 200), globalRow(form.Outline->topLevel(0), 4)));
    ASSERT_TRUE(hand);
    ASSERT_TRUE(WaitFor([&] { return form.Outline->count() == count + 2; }, 20000));
    EXPECT_EQ(TitleOf(form.Outline->topLevel(1)), "first line");
    EXPECT_EQ(TitleOf(form.Outline->topLevel(2)), "second line");
    QByteArray said;
    ASSERT_TRUE(WaitFor(
        [&] {
            said = helper.readLine();
            return said.startsWith("dragged");
        },
        10000));
    // Move would make an editor delete the text it gave.
    EXPECT_EQ(said, "dragged " + QByteArray::number(int(Qt::CopyAction)));
    hand->waitForFinished(5000);
}

TEST_F(TwoProcesses, AnItemDraggedIntoThePageLinksItThereAndKeepsThePage) {
    TOutlineNode* A = form.Outline->topLevel(0);
    form.ExplorerView->selectNode(A);
    form.GoToItem(A->item());
    form.RichEdit->setPlainText(QStringLiteral("page of A"));
    const QPoint page = form.RichEdit->viewport()->mapToGlobal(QPoint(100, 40));
    std::unique_ptr<QProcess> hand(dragWithPointer(globalRow(B, 0), page));
    ASSERT_TRUE(hand);
    ASSERT_TRUE(WaitFor(
        [&] { return form.RichEdit->toPlainText().contains(QStringLiteral("<node:B;")); }, 20000))
        << form.RichEdit->toPlainText().toStdString();
    hand->waitForFinished(5000);
    QTest::qWait(200);
    // The press on B did not switch the page: A's page took the link.
    EXPECT_EQ(form.CurrentItem, A->item());
    EXPECT_EQ(form.Outline->selectedNode(), A);
    EXPECT_TRUE(form.RichEdit->toPlainText().contains(QStringLiteral("page of A")));
    EXPECT_EQ(B->parent(), nullptr);
    EXPECT_EQ(form.Outline->topLevel(1), B);
}

TEST_F(TwoProcesses, AnItemJustClickedCanBeDraggedAtOnce) {
    TOutlineNode* C = form.Outline->topLevel(2);
    std::unique_ptr<QProcess> hand(
        dragWithPointer(globalRow(C, 0), globalRow(form.Outline->topLevel(0), -5), true));
    ASSERT_TRUE(hand);
    // Onto the upper third of A: C moves to the top.
    ASSERT_TRUE(WaitFor([&] { return form.Outline->topLevel(0) == C; }, 20000))
        << TitleOf(form.Outline->topLevel(0)).toStdString();
    hand->waitForFinished(5000);
}

TEST_F(TwoProcesses, AnItemDraggedToAnotherProcessStaysHere) {
    Helper helper({QStringLiteral("--receive")});
    ASSERT_TRUE(helper.ready());
    const int count = form.Outline->count();
    std::unique_ptr<QProcess> hand(dragWithPointer(globalRow(B, 0), QPoint(700, 200)));
    ASSERT_TRUE(hand);
    QByteArray said;
    ASSERT_TRUE(WaitFor(
        [&] {
            const QByteArray line = helper.readLine();
            if (line.startsWith("received"))
                said = line;
            return !said.isEmpty();
        },
        20000));
    EXPECT_TRUE(said.startsWith("received B:0 B1:0")) << said.constData();
    EXPECT_TRUE(said.contains("text=<node:B;")) << said.constData();
    EXPECT_EQ(form.Outline->count(), count); // nothing left this window
    hand->waitForFinished(5000);
}
