// Drag and drop in the outline tree: positions, moves, copies,
// refusals and what other programs drop.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/MessageBox.h"
#include "file/Cp932.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/OutlineModel.h"
#include "tree/TreeDragDrop.h"

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Books A, B, C and the trash; A holds A1, A2, A3; A2 holds A2a.
class DragDrop : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        FillBooks(form, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        A = form.Outline->topLevel(0);
        B = form.Outline->topLevel(1);
        C = form.Outline->topLevel(2);
        for (const char* t : {"A1", "A2", "A3"})
            TLeafNote::Create(*form.Outline, InsertLastChild, A)->SetTitle(t);
        A2 = A->child(1);
        TLeafNote::Create(*form.Outline, InsertLastChild, A2)->SetTitle("A2a");
        dnd = TDDXTreeView::of(form);
        ASSERT_TRUE(dnd);
    }
    QStringList titles(TOutlineNode* parent) { return ChildTitles(form, parent); }
    QRect rowOf(TOutlineNode* n) {
        return form.ExplorerView->visualRect(form.TreeModel->indexFromNode(n));
    }
    void showWindow() {
        form.resize(800, 600);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    // A drop as the system delivers it to the tree.
    void dropAt(const QPoint& p, QMimeData* mime, Qt::KeyboardModifiers keys) {
        QWidget* vp = form.ExplorerView->viewport();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        QDragEnterEvent enter(p, actions, mime, Qt::LeftButton, keys);
        QApplication::sendEvent(vp, &enter);
        QDragMoveEvent move(p, actions, mime, Qt::LeftButton, keys);
        QApplication::sendEvent(vp, &move);
        QDropEvent drop(QPointF(p), actions, mime, Qt::LeftButton, keys);
        QApplication::sendEvent(vp, &drop);
    }

    TestHome home;
    TFormMain form;
    TOutlineNode *A = nullptr, *B = nullptr, *C = nullptr, *A2 = nullptr;
    TDDXTreeView* dnd = nullptr;
};

} // namespace

TEST_F(DragDrop, ThirdsOfTheRowGiveAboveIntoBelow) {
    showWindow();
    const QRect r = rowOf(B);
    const int d = r.height() / 3;
    EXPECT_EQ(dnd->PositionAt(QPoint(r.left() + 5, r.top() + 1)),
              std::make_pair(B, int(TDDXTreeView::Above)));
    EXPECT_EQ(dnd->PositionAt(QPoint(r.left() + 5, r.top() + d + 1)),
              std::make_pair(B, int(TDDXTreeView::Into)));
    EXPECT_EQ(dnd->PositionAt(QPoint(r.left() + 5, r.bottom())),
              std::make_pair(B, int(TDDXTreeView::Below)));
    // Right of a short title still counts as the row.
    EXPECT_EQ(
        dnd->PositionAt(QPoint(form.ExplorerView->viewport()->width() - 2, r.top() + 1)).first, B);
    // Empty space under the tree: below the last visible item (the trash).
    EXPECT_EQ(dnd->PositionAt(QPoint(5, form.ExplorerView->viewport()->height() - 2)),
              std::make_pair(form.Outline->trashNode(), int(TDDXTreeView::Below)));
    form.hide();
}

TEST_F(DragDrop, MovesAboveIntoAndBelow) {
    dnd->DropInside(C, A, TDDXTreeView::Above, false);
    EXPECT_EQ(titles(nullptr), (QStringList{"C", "A", "B", "ごみ箱"}));
    dnd->DropInside(C, B, TDDXTreeView::Below, false);
    EXPECT_EQ(titles(nullptr), (QStringList{"A", "B", "C", "ごみ箱"}));
    dnd->DropInside(A->child(0), B, TDDXTreeView::Into, false);
    EXPECT_EQ(titles(B), QStringList{"A1"});
    EXPECT_EQ(titles(A), (QStringList{"A2", "A3"}));
    // Below the last child of a level: to its bottom.
    dnd->DropInside(A2, A->child(1), TDDXTreeView::Below, false);
    EXPECT_EQ(titles(A), (QStringList{"A3", "A2"}));
    EXPECT_EQ(TitleOf(form.CurrentItem), "A2");
}

TEST_F(DragDrop, RefusesItsOwnSubtreeAndTheTrash) {
    EXPECT_TRUE(TDDXTreeView::RefusesOwn(A, A2->child(0)));
    EXPECT_TRUE(TDDXTreeView::RefusesOwn(A, A));
    EXPECT_FALSE(TDDXTreeView::RefusesOwn(A2, A));
    EXPECT_EQ(dnd->DropInside(A, A2, TDDXTreeView::Into, false), nullptr);
    EXPECT_EQ(dnd->DropInside(form.Outline->trashNode(), A, TDDXTreeView::Into, false), nullptr);
    EXPECT_EQ(titles(nullptr), (QStringList{"A", "B", "C", "ごみ箱"}));
}

TEST_F(DragDrop, CopyLeavesTheOriginalAndHasNoIds) {
    A2->item()->AssignNodeId();
    A2->child(0)->item()->AssignNodeId();
    TOutlineNode* copy = dnd->DropInside(A2, C, TDDXTreeView::Into, true);
    ASSERT_TRUE(copy);
    EXPECT_EQ(titles(A), (QStringList{"A1", "A2", "A3"}));
    EXPECT_EQ(titles(C), QStringList{"A2"});
    EXPECT_EQ(titles(copy), QStringList{"A2a"});
    EXPECT_EQ(copy->item()->NodeId, 0);
    EXPECT_EQ(copy->child(0)->item()->NodeId, 0);
    EXPECT_NE(A2->item()->NodeId, 0);
}

TEST_F(DragDrop, DropExpandAndDragCollapse) {
    form.Outline->setExpanded(A2, true);
    form.Options->DropExpand = false;
    form.Options->DragCollapse = true;
    dnd->DropInside(A2, C, TDDXTreeView::Into, false);
    EXPECT_FALSE(C->expanded());
    EXPECT_EQ(form.Outline->selectedNode(), C);
    EXPECT_FALSE(A2->expanded());

    form.Outline->setExpanded(A2, true);
    form.Options->DropExpand = true;
    form.Options->DragCollapse = false;
    form.Outline->setExpanded(B, false);
    dnd->DropInside(A2, B, TDDXTreeView::Into, false);
    EXPECT_TRUE(B->expanded());
    EXPECT_EQ(form.Outline->selectedNode(), A2);
    EXPECT_TRUE(A2->expanded());
}

TEST_F(DragDrop, IntoTheTrashAndOutAgain) {
    TOutlineNode* trash = form.Outline->trashNode();
    const int boxes = MessageBox::count();
    dnd->DropInside(C, trash, TDDXTreeView::Into, false);
    EXPECT_EQ(titles(trash), QStringList{"C"});
    EXPECT_EQ(MessageBox::count(), boxes); // no question
    dnd->DropInside(C, B, TDDXTreeView::Below, false);
    EXPECT_EQ(titles(nullptr), (QStringList{"A", "B", "C", "ごみ箱"}));
}

TEST_F(DragDrop, ThreeFilesWithCtrlBecomeItemsWithTheirContents) {
    showWindow();
    QTemporaryDir dir;
    QList<QUrl> urls;
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
        QFile f(dir.path() + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("content of ") + name);
        urls << QUrl::fromLocalFile(f.fileName());
    }
    auto* mime = new QMimeData;
    mime->setUrls(urls);
    const QRect r = rowOf(B);
    dropAt(QPoint(r.left() + 5, r.bottom()), mime, Qt::ControlModifier);
    EXPECT_EQ(titles(nullptr), (QStringList{"A", "B", "one", "two", "three", "C", "ごみ箱"}));
    EXPECT_EQ(form.Outline->topLevel(3)->item()->PageText, QByteArray("content of two.txt"));
    EXPECT_TRUE(form.Outline->topLevel(3)->item()->Links.isEmpty());
    // Without Ctrl: a link to the file.
    auto* plain = new QMimeData;
    plain->setUrls({urls[0]});
    dropAt(QPoint(r.left() + 5, r.top() + 1), plain, Qt::NoModifier);
    EXPECT_EQ(TitleOf(form.Outline->topLevel(1)), "one");
    EXPECT_TRUE(form.Outline->topLevel(1)->item()->Links.startsWith("<"));
    EXPECT_TRUE(form.Outline->topLevel(1)->item()->PageText.isEmpty());
    delete mime;
    delete plain;
    form.hide();
}

TEST_F(DragDrop, TextLinesBecomeItems) {
    QMimeData mime;
    mime.setText(QStringLiteral("a\r\n\r\nb"));
    ASSERT_TRUE(dnd->DropExternal(&mime, A2, TDDXTreeView::Into, false));
    EXPECT_EQ(titles(A2), (QStringList{"A2a", "a", "", "b"}));
}

TEST_F(DragDrop, ItemsFromAnotherWindowAndDamagedData) {
    QMimeData good;
    good.setData(TDDXTreeView::TreeNodeMimeType(), OutlineFile::writeItems(A2, true));
    ASSERT_TRUE(dnd->DropExternal(&good, C, TDDXTreeView::Above, false));
    EXPECT_EQ(titles(nullptr), (QStringList{"A", "B", "A2", "C", "ごみ箱"}));
    EXPECT_EQ(titles(form.Outline->topLevel(2)), QStringList{"A2a"});
    const int count = form.Outline->count();
    QByteArray damaged = OutlineFile::writeItems(A2, true);
    damaged.truncate(damaged.size() / 2);
    QMimeData bad;
    bad.setData(TDDXTreeView::TreeNodeMimeType(), damaged);
    EXPECT_FALSE(dnd->DropExternal(&bad, C, TDDXTreeView::Above, false));
    EXPECT_EQ(form.Outline->count(), count);
    EXPECT_TRUE(form.statusPanel(0)->text().contains(QStringLiteral("壊れて")));
}

TEST_F(DragDrop, TheDragCarriesTheBranchAndTheItemsLink) {
    std::unique_ptr<QMimeData> mime(TDDXTreeView::CreateDragData(A2));
    EXPECT_TRUE(mime->hasFormat(TDDXTreeView::TreeNodeMimeType()));
    const QString link = mime->text();
    EXPECT_TRUE(link.startsWith(QStringLiteral("<node:A2;")));
    EXPECT_NE(A2->item()->NodeId, 0);
    EXPECT_EQ(Cp932::toUnicode(mime->data(TDDXTreeView::NodeLinkMimeType())), link);
    const int count = form.Outline->count();
    QMimeData copy;
    copy.setData(TDDXTreeView::TreeNodeMimeType(), mime->data(TDDXTreeView::TreeNodeMimeType()));
    ASSERT_TRUE(dnd->DropExternal(&copy, B, TDDXTreeView::Into, false));
    EXPECT_EQ(form.Outline->count(), count + 2);
    EXPECT_EQ(B->child(0)->item()->NodeId, 0);
}

TEST_F(DragDrop, AnItemDroppedOnThePageBecomesItsLink) {
    showWindow();
    form.GoToItem(B->item());
    const int count = form.Outline->count();
    std::unique_ptr<QMimeData> mime(TDDXTreeView::CreateDragData(A2));
    QWidget* vp = form.RichEdit->viewport();
    const QPoint p(10, 10);
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(p, actions, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &enter);
    QDragMoveEvent move(p, actions, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    QDropEvent drop(QPointF(p), actions, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &drop);
    EXPECT_TRUE(form.RichEdit->toPlainText().startsWith(QStringLiteral("<node:A2;")))
        << form.RichEdit->toPlainText().toStdString();
    EXPECT_EQ(form.Outline->count(), count);
    EXPECT_EQ(A2->parent(), A);
    form.hide();
}

TEST_F(DragDrop, HoveringIntoAClosedFolderOpensIt) {
    showWindow();
    form.Outline->setExpanded(A, false);
    QMimeData mime;
    mime.setText(QStringLiteral("line"));
    const QRect r = rowOf(A);
    const QPoint p(r.left() + 5, r.center().y());
    QWidget* vp = form.ExplorerView->viewport();
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(p, actions, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(dnd->feedbackItem(), A);
    EXPECT_EQ(dnd->feedbackPosition(), int(TDDXTreeView::Into));
    QTest::qWait(700);
    EXPECT_FALSE(A->expanded()); // not yet
    EXPECT_TRUE(WaitFor([&] { return A->expanded(); }, 3000));
    QDragLeaveEvent leave;
    QApplication::sendEvent(vp, &leave);
    EXPECT_EQ(dnd->feedbackItem(), nullptr);
    form.hide();
}

TEST_F(DragDrop, AnotherProgramIsNeverToldItsTextWasMoved) {
    QMimeData text;
    text.setText(QStringLiteral("words"));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt"))});
    QMimeData branch;
    branch.setData(TDDXTreeView::TreeNodeMimeType(), OutlineFile::writeItems(A2, true));
    const Qt::DropActions all = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    const Qt::KeyboardModifiers none = Qt::NoModifier, ctrl = Qt::ControlModifier;
    const struct {
        const QMimeData* mime;
        Qt::KeyboardModifiers keys;
        bool ours;
        Qt::DropActions possible;
        int effect;
    } rows[] = {
        {&text, none, false, all, Qt::CopyAction},
        {&text, none, false, Qt::MoveAction | Qt::LinkAction, Qt::LinkAction},
        {&text, none, false, Qt::MoveAction, Qt::IgnoreAction},
        {&text, ctrl, false, all, Qt::CopyAction},
        {&text, none, true, all, Qt::MoveAction},
        {&branch, none, false, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction},
        {&branch, none, true, all, Qt::MoveAction},
        {&files, none, false, all, Qt::LinkAction},
        {&files, ctrl, false, all, Qt::CopyAction},
        {&files, none, false, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction},
    };
    int i = 0;
    for (const auto& r : rows)
        EXPECT_EQ(TDDXTreeView::ExternalEffect(r.mime, r.keys, r.ours, r.possible), r.effect)
            << "row " << i++;
}

TEST_F(DragDrop, APressSelectsOnlyWhenItEndsAsAClick) {
    showWindow();
    form.ExplorerView->selectNode(A);
    form.GoToItem(A->item());
    QWidget* vp = form.ExplorerView->viewport();
    const QPoint onB = rowOf(B).center();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, onB);
    // Pressed, not yet released: the page shown and the selection stay.
    EXPECT_EQ(form.Outline->selectedNode(), A);
    EXPECT_EQ(form.CurrentItem, A->item());
    EXPECT_TRUE(form.ExplorerView->pressPending());
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, onB);
    EXPECT_FALSE(form.ExplorerView->pressPending());
    EXPECT_EQ(form.Outline->selectedNode(), B);
    EXPECT_EQ(form.CurrentItem, B->item());
    // A double click still opens and closes a folder.
    const bool open = A->expanded();
    const QPoint onA = rowOf(A).center();
    // As the system delivers one: press, release, press, double click, release.
    QTest::mouseClick(vp, Qt::LeftButton, Qt::NoModifier, onA);
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, onA);
    QTest::mouseDClick(vp, Qt::LeftButton, Qt::NoModifier, onA);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, onA);
    EXPECT_EQ(A->expanded(), !open);
    EXPECT_EQ(form.CurrentItem, A->item());
    form.hide();
}

TEST_F(DragDrop, AMoveOnlyDragFromAnotherProgramIsRefusedWithoutAMark) {
    showWindow();
    QMimeData mime;
    mime.setText(QStringLiteral("words"));
    const QPoint p = rowOf(B).center();
    QWidget* vp = form.ExplorerView->viewport();
    QDragEnterEvent enter(p, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &enter);
    QDragMoveEvent move(p, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    EXPECT_FALSE(move.isAccepted());
    EXPECT_EQ(dnd->feedbackItem(), nullptr);
    const int count = form.Outline->count();
    QDropEvent drop(QPointF(p), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(vp, &drop);
    // Not taken: the system then tells the other program nothing was dropped.
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_EQ(form.Outline->count(), count);
    form.hide();
}
