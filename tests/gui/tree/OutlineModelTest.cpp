#include "GuiSupport.h"
#include "TestSupport.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "tree/ExplorerView.h"
#include "tree/NodeImages.h"
#include "tree/OutlineModel.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QPainter>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class ModelTest : public ::testing::Test {
protected:
    ModelTest() : outline(&settings), model(&outline) {}

    TOutlineNode* add(TOutlineNode* parent, const char* title) {
        TOutlineNode* n = outline.insertNew(parent, int(outline.childrenOf(parent).size()));
        n->item()->Title = Sjis(title);
        return n;
    }
    QString caption(TOutlineNode* n) { return model.indexFromNode(n).data().toString(); }
    int image(TOutlineNode* n) {
        return model.indexFromNode(n).data(TOutlineModel::NodeImageRole).toInt();
    }

    TOptionDesc settings;
    TOutline outline;
    TOutlineModel model;
};

} // namespace

TEST_F(ModelTest, FollowsEveryStructuralChange) {
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    TOutlineNode* a = add(nullptr, "A");
    TOutlineNode* b = add(nullptr, "B");
    TOutlineNode* a1 = add(a, "A1");
    TOutlineNode* a2 = add(a, "A2");
    TOutlineNode* a3 = add(a, "A3");
    add(a2, "A2a");
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.rowCount(model.indexFromNode(a)), 3);

    QPersistentModelIndex p1(model.indexFromNode(a1));
    QPersistentModelIndex p3(model.indexFromNode(a3));
    // Down one row within the level, then up, then into another parent and out.
    ASSERT_TRUE(outline.moveNode(a1, a, 1));
    EXPECT_EQ(model.nodeFromIndex(p1), a1);
    EXPECT_EQ(p1.row(), 1);
    ASSERT_TRUE(outline.moveNode(a3, a, 0));
    EXPECT_EQ(p3.row(), 0);
    EXPECT_EQ(p1.row(), 2);
    ASSERT_TRUE(outline.moveNode(a2, b, 0));
    EXPECT_EQ(model.parent(model.indexFromNode(a2)), model.indexFromNode(b));
    ASSERT_TRUE(outline.moveNode(a2, nullptr, 0));
    EXPECT_FALSE(model.parent(model.indexFromNode(a2)).isValid());
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("A2"));
    // Into its own branch is refused and tells nobody anything.
    EXPECT_FALSE(outline.moveNode(a2, a2->child(0), 0));

    outline.removeNode(a);
    EXPECT_FALSE(p1.isValid());
    EXPECT_EQ(model.rowCount(), 2);

    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    outline.beginReset();
    add(nullptr, "X");
    add(outline.topLevel(0), "Y");
    outline.endReset();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 3);
    outline.clear();
    EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(ModelTest, ChangesReachTheViewAsDataChanged) {
    TOutlineNode* a = add(nullptr, "A");
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    a->item()->SetTitle(Sjis("別名"));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).value<QModelIndex>(), model.indexFromNode(a));
    EXPECT_EQ(caption(a), QStringLiteral("別名"));
    EXPECT_EQ(model.indexFromNode(a).data(Qt::EditRole).toString(), QStringLiteral("別名"));
}

TEST_F(ModelTest, CaptionsInTheNineForms) {
    TOutlineNode* a = add(nullptr, "題");
    TLeafNote* item = a->item();
    item->CreatedDate = WrenDate::fromDate(QDate(2024, 1, 2)) + 0.5;
    item->ModifiedDate = WrenDate::fromDate(QDate(2024, 3, 4));
    item->DueDate = WrenDate::fromDate(QDate(2024, 5, 6));
    item->FinishDate = 0;
    const QString expected[9] = {"題", "2024/01/02 - 題", "2024/03/04 - 題", "2024/05/06 - 題",
                                 "題", "題 - 2024/01/02", "題 - 2024/03/04", "題 - 2024/05/06",
                                 "題"};
    for (int mode = 0; mode < 9; ++mode) {
        settings.ItemView = uint8_t(mode);
        EXPECT_EQ(caption(a), expected[mode]) << mode;
    }
}

TEST_F(ModelTest, ImagesOverlaysBoldAndLabels) {
    ScopedFixedClock clock(QDateTime(QDate(2024, 5, 7), QTime(12, 0)));
    TOutlineNode* book = add(nullptr, "本");
    TOutlineNode* folder = add(book, "棚");
    TOutlineNode* leaf = add(folder, "葉");
    EXPECT_EQ(image(book), 0);
    EXPECT_EQ(image(folder), 2);
    EXPECT_EQ(image(leaf), 4);
    outline.setExpanded(book, true);
    outline.setExpanded(folder, true);
    EXPECT_EQ(image(book), 1);
    EXPECT_EQ(image(folder), 3);

    TLeafNote* item = leaf->item();
    item->DueDate = WrenDate::fromDate(QDate(2024, 5, 8));
    EXPECT_EQ(image(leaf), 6);
    EXPECT_TRUE(model.indexFromNode(leaf).data(TOutlineModel::BoldRole).toBool());
    EXPECT_TRUE(model.indexFromNode(leaf).data(Qt::FontRole).value<QFont>().bold());
    // A base font set later carries over to the bold items; the others keep the view's.
    QFont base(QStringLiteral("Serif"));
    base.setPointSize(17);
    model.setBaseFont(base);
    const QFont bold = model.indexFromNode(leaf).data(Qt::FontRole).value<QFont>();
    EXPECT_TRUE(bold.bold());
    EXPECT_EQ(bold.pointSize(), 17);
    EXPECT_EQ(bold.family(), QStringLiteral("Serif"));
    EXPECT_FALSE(model.indexFromNode(book).data(Qt::FontRole).isValid());
    EXPECT_FALSE(base.bold()); // the caller's font stays as it was
    item->DueDate = WrenDate::fromDate(QDate(2024, 5, 7));
    EXPECT_EQ(image(leaf), 7);
    item->SetProgress(ProgressInProgress);
    EXPECT_EQ(model.indexFromNode(leaf).data(TOutlineModel::OverlayRole).toInt(), 0);
    EXPECT_EQ(image(leaf), 7);
    item->SetProgress(ProgressDone);
    EXPECT_EQ(model.indexFromNode(leaf).data(TOutlineModel::OverlayRole).toInt(), 1);
    EXPECT_EQ(image(leaf), 4);
    EXPECT_FALSE(model.indexFromNode(leaf).data(TOutlineModel::BoldRole).toBool());
    item->SetProgress(ProgressOnHold);
    EXPECT_EQ(model.indexFromNode(leaf).data(TOutlineModel::OverlayRole).toInt(), 2);
    item->SetProgress(ProgressNotStarted);
    EXPECT_EQ(model.indexFromNode(leaf).data(TOutlineModel::OverlayRole).toInt(), -1);

    settings.LabelImage[3] = 6;
    item->SetLabelIndex(3);
    EXPECT_EQ(model.indexFromNode(leaf).data(TOutlineModel::LabelImageRole).toInt(), 6);
    EXPECT_FALSE(model.indexFromNode(leaf).data(Qt::DecorationRole).value<QIcon>().isNull());

    TLeafNote* trash = TLeafNote::CreateTrash(outline);
    EXPECT_EQ(image(trash->TreeNode), 11);
    add(trash->TreeNode, "捨てた");
    EXPECT_EQ(image(trash->TreeNode), 12);
}

TEST_F(ModelTest, InPlaceEditSetsTheTitle) {
    TOutlineNode* a = add(nullptr, "A");
    QSignalSpy lossy(&model, &TOutlineModel::titleLossy);
    EXPECT_TRUE(model.setData(model.indexFromNode(a), QStringLiteral("新題")));
    EXPECT_EQ(a->item()->Title, Sjis("新題"));
    EXPECT_EQ(lossy.count(), 0);
    EXPECT_TRUE(model.setData(model.indexFromNode(a), QStringLiteral("Ünïcode")));
    EXPECT_EQ(a->item()->Title, QByteArray("?n?code"));
    EXPECT_EQ(lossy.count(), 1);
}

TEST_F(ModelTest, ViewAndOutlineShareExpansionAndSelection) {
    TOutlineNode* a = add(nullptr, "A");
    TOutlineNode* a1 = add(a, "A1");
    TOutlineNode* a1x = add(a1, "A1x");
    outline.setExpanded(a, true);
    TExplorerView view;
    view.setOutlineModel(&model);
    EXPECT_TRUE(view.isExpanded(model.indexFromNode(a)));
    view.expand(model.indexFromNode(a1));
    EXPECT_TRUE(a1->expanded());
    outline.setExpanded(a, false);
    EXPECT_FALSE(view.isExpanded(model.indexFromNode(a)));
    view.collapse(model.indexFromNode(a1));
    EXPECT_FALSE(a1->expanded());

    // Selecting opens the way to the node.
    view.selectNode(a1x);
    EXPECT_EQ(outline.selectedNode(), a1x);
    EXPECT_EQ(view.currentIndex(), model.indexFromNode(a1x));
    EXPECT_TRUE(a->expanded());
    EXPECT_TRUE(a1->expanded());
    view.setCurrentIndex(model.indexFromNode(a));
    EXPECT_EQ(outline.selectedNode(), a);
    outline.setSelectedNode(a1);
    EXPECT_EQ(view.selectedNode(), a1);

    // Expanded flags survive a reload.
    outline.beginReset();
    outline.endReset();
    EXPECT_TRUE(view.isExpanded(model.indexFromNode(a)));
    EXPECT_TRUE(view.isExpanded(model.indexFromNode(a1)));
}

TEST_F(ModelTest, HundredThousandItems) {
    outline.beginReset();
    for (int b = 0; b < 100; ++b) {
        TOutlineNode* book = outline.insertNew(nullptr, b);
        for (int i = 0; i < 999; ++i)
            outline.insertNew(book, i);
    }
    outline.endReset();
    ASSERT_EQ(outline.count(), 100000);
    TExplorerView view;
    view.setOutlineModel(&model);
    TOutlineNode* last = outline.topLevel(99)->child(998);
    const QModelIndex li = model.indexFromNode(last);
    EXPECT_EQ(li.row(), 998);
    EXPECT_EQ(model.nodeFromIndex(model.index(998, 0, model.index(99, 0))), last);
    EXPECT_EQ(model.nodeFromIndex(model.parent(li)), outline.topLevel(99));
    view.selectNode(last);
    EXPECT_EQ(view.currentIndex(), li);
    TLeafNote::Create(outline, InsertAbove, last);
    EXPECT_EQ(model.rowCount(model.index(99, 0)), 1000);
    EXPECT_EQ(view.currentIndex().row(), 999);
}

TEST(NodeImagesTest, OutOfRangeValuesFromADamagedFileDrawNothingAndSpoilNoOtherPicture) {
    auto drawn = [](const QIcon& icon) {
        return icon.pixmap(QSize(2 * NodeImages::Size + 2, NodeImages::Size)).toImage();
    };
    auto expected = [](int label, int node) {
        QPixmap pm(2 * NodeImages::Size + 2, NodeImages::Size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        if (label >= 0)
            p.drawPixmap(0, 0, NodeImages::label(label));
        p.drawPixmap(NodeImages::Size + 2, 0, NodeImages::node(node));
        p.end();
        return pm.toImage();
    };
    // A progress byte of 248 gives overlay 247; a label image far out of range.
    EXPECT_EQ(drawn(NodeImages::itemIcon(0, 1, 247)), expected(0, 1));
    EXPECT_EQ(drawn(NodeImages::itemIcon(1, 0, -1)), expected(1, 0));
    EXPECT_EQ(drawn(NodeImages::itemIcon(0x7fffffff, 2, -1)), expected(-1, 2));
    EXPECT_EQ(drawn(NodeImages::itemIcon(-5, 3, 1000)), expected(-1, 3));
    EXPECT_FALSE(NodeImages::nodeIcon(0, 248).isNull());
    EXPECT_FALSE(NodeImages::nodeIcon(0x7fffffff, 0).isNull());
}
