#include "file/Cp932.h"
#include "file/OutlineFile.h"
#include "links/LinkJump.h"
#include "links/LinkScan.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QFileInfo>

#include <gtest/gtest.h>

// The manual as built for installing: a document that reads, explains each
// menu and pane, and whose links all lead somewhere.
class Manual : public ::testing::Test {
protected:
    void SetUp() override {
        const QString path = QStringLiteral(WRENNOTE_MANUAL);
        ASSERT_TRUE(QFileInfo(path).isFile()) << "the build makes " << WRENNOTE_MANUAL;
        const OutlineFile::ReadResult r = OutlineFile::readFile(path, settings, outline);
        ASSERT_TRUE(r.ok) << r.error.toStdString();
    }
    QStringList titles() {
        QStringList out;
        outline.forEach([&](TOutlineNode* n) {
            out << Cp932::toUnicode(n->item()->Title);
            return true;
        });
        return out;
    }
    TOptionDesc settings;
    TOutline outline{&settings};
};

TEST_F(Manual, OneBookThatCoversEveryMenuAndPane) {
    ASSERT_GE(outline.topLevelCount(), 1);
    EXPECT_EQ(Cp932::toUnicode(outline.topLevel(0)->item()->Title),
              QStringLiteral("WrenNOTE マニュアル"));
    const QStringList all = titles();
    for (const char* title :
         {"ファイルメニュー", "編集メニュー", "検索メニュー", "表示メニュー", "ツリーメニュー",
          "書式メニュー", "出力メニュー", "設定メニュー", "ヘルプメニュー", "ツリー", "ページ",
          "タイトルパネル", "日付パネル", "ルーラー", "フォーカストレイ", "リンクパネル",
          "カレンダー", "ステータスバー", "キーボードショートカット"})
        EXPECT_TRUE(all.contains(QString::fromUtf8(title))) << title;
    // A body line that begins with the marker would have become an item.
    outline.forEach([](TOutlineNode* n) {
        if (Cp932::toUnicode(n->item()->Title) == QStringLiteral("ヘルプメニュー")) {
            EXPECT_EQ(n->childCount(), 0);
            n->item()->GetPage();
            EXPECT_TRUE(Cp932::toUnicode(n->item()->PageText)
                            .contains(QStringLiteral(".wrn ファイルを関連づける")));
        }
        return true;
    });
}

TEST_F(Manual, EveryLinkBetweenItsItemsResolves) {
    int nodeLinks = 0;
    int lineLinks = 0;
    outline.forEach([&](TOutlineNode* n) {
        n->item()->GetPage();
        const QString page = Cp932::toUnicode(n->item()->PageText);
        const QString where = Cp932::toUnicode(n->item()->Title);
        qsizetype from = 0;
        for (;;) {
            const TLinkMatch m = LinkScan::FindNextLink(page, from, page.size());
            if (!m.found())
                break;
            from = m.end();
            const QString body = LinkScan::ClickText(page, m);
            if (m.kind == LinkNode) {
                ++nodeLinks;
                const TNodeJump jump = LinkJump::JumpToNode(outline, body);
                EXPECT_NE(jump.Node, nullptr) << where.toStdString() << ": " << body.toStdString();
            } else if (m.kind == LinkLine) {
                ++lineLinks;
                const TLineJump jump = LinkJump::JumpToLine(outline, body);
                EXPECT_TRUE(jump.Go) << where.toStdString() << ": " << body.toStdString();
                if (jump.Go && jump.Node) {
                    jump.Node->item()->GetPage();
                    const QString target = Cp932::toUnicode(jump.Node->item()->PageText);
                    EXPECT_TRUE(LinkJump::FindLineStart(target, jump.LineText).found())
                        << body.toStdString();
                }
            } else {
                ADD_FAILURE() << where.toStdString() << ": a link that leaves the manual: "
                              << page.mid(m.start, m.length).toStdString();
            }
        }
        return true;
    });
    EXPECT_GE(nodeLinks, 20);
    EXPECT_GE(lineLinks, 1);
}
