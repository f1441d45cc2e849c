// The ruler: its scale, the limits of its markers and the indents a drag writes.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "editor/KesRuler.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "shell/MainForm.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

class Ruler : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        ruler = new TKesRuler(&host);
        edit = new QTextEdit(&host);
        layout->addWidget(ruler);
        layout->addWidget(edit);
        host.resize(400, 200);
        ruler->setScreenDpi(96);
        ruler->setRichEdit(edit);
        edit->setPlainText(QStringLiteral("一行目は長い段落です。\n二つ目"));
        edit->moveCursor(QTextCursor::Start);
        host.show();
        ruler->MarginLeft = 10;
        ruler->MarginRight = 20;
        ruler->UpdateFromParagraph();
    }
    void send(QEvent::Type type, int x, int y) {
        const QPointF pos(x, y);
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, pos, ruler->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(ruler, &e);
    }
    QTextBlockFormat paragraph() const { return edit->document()->firstBlock().blockFormat(); }

    QWidget host;
    TKesRuler* ruler = nullptr;
    QTextEdit* edit = nullptr;
};

TEST_F(Ruler, InchScaleAt96Dpi) {
    EXPECT_EQ(ruler->UnitPixels(), 96 * 65536);
    QList<int> labels, ticks, longTicks;
    for (const TKesRuler::TMark& m : ruler->ScaleMarks()) {
        if (m.isLabel) {
            labels << m.x;
            EXPECT_EQ(m.label, labels.size());
        } else if (m.x > 10 && m.x < 106) {
            (m.isLong ? longTicks : ticks) << m.x;
        }
    }
    EXPECT_EQ(labels, (QList<int>{106, 202, 298, 394}));
    EXPECT_EQ(ticks, (QList<int>{22, 34, 46, 70, 82, 94}));
    EXPECT_EQ(longTicks, (QList<int>{58}));

    ruler->setMeasure(TKesRuler::msCenti);
    EXPECT_EQ(ruler->UnitPixels(), qint64(96) * 100 * 65536 / 254);
    ruler->setMeasure(TKesRuler::msPoint);
    EXPECT_EQ(ruler->LabelStep(), 50);
    const auto marks = ruler->ScaleMarks();
    const auto first = std::find_if(marks.begin(), marks.end(),
                                    [](const TKesRuler::TMark& m) { return m.isLabel; });
    ASSERT_NE(first, marks.end());
    EXPECT_EQ(first->label, 50);
    EXPECT_EQ(first->x, 10 + 66); // 50 points at 96 dpi
}

TEST_F(Ruler, MarkersKeepTwentyPixelsApart) {
    const int right = ruler->MarkerPos(TKesRuler::mkRight);
    EXPECT_EQ(right, 400 - 20);
    for (int kind : {1, 2, 4})
        EXPECT_EQ(ruler->DragTarget(kind, 1000), right - 20) << kind;
    EXPECT_EQ(ruler->DragTarget(1, -50), 10) << "not left of the text margin";
    EXPECT_EQ(ruler->DragTarget(1, 10 + 13), 10 + 12) << "snapped toward the margin";

    ruler->IndentFirst = 100;
    ruler->IndentLeft = 40;
    EXPECT_EQ(ruler->DragTarget(TKesRuler::mkRight, 0), 10 + 100 + 20);
}

TEST_F(Ruler, DraggingTheLeftBoxMovesBothIndents) {
    // First line 24 px right of the others, which start 12 px in.
    QTextBlockFormat f;
    f.setLeftMargin(12);
    f.setTextIndent(24);
    QTextCursor(edit->document()->firstBlock()).mergeBlockFormat(f);
    ruler->UpdateFromParagraph();
    EXPECT_EQ(ruler->IndentFirst, 36);
    EXPECT_EQ(ruler->IndentLeft, 12);

    const int x = ruler->MarkerPos(TKesRuler::mkLeft);
    const int y = ruler->height() - 2; // the box under the left marker
    send(QEvent::MouseButtonPress, x, y);
    ASSERT_EQ(ruler->DragKind(), TKesRuler::mkLeftBox);
    EXPECT_EQ(ruler->GuideLineX(), x);
    send(QEvent::MouseMove, x + 6, y); // one half tick
    EXPECT_EQ(ruler->DragPos(), x + 6);
    EXPECT_EQ(ruler->GuideLineX(), x + 6);
    send(QEvent::MouseButtonRelease, x + 6, y);
    EXPECT_EQ(ruler->DragKind(), 0);
    EXPECT_EQ(ruler->GuideLineX(), -1);
    EXPECT_EQ(ruler->IndentFirst, 42);
    EXPECT_EQ(ruler->IndentLeft, 18);
    // 18 px = 13.5 pt is kept as 13 pt, which is 17.33 px.
    EXPECT_NEAR(paragraph().leftMargin(), 13 * 96 / 72.0, 0.01);
    EXPECT_NEAR(paragraph().leftMargin() + paragraph().textIndent(), 42 * 72 / 96 * 96 / 72.0,
                0.01);
    EXPECT_TRUE(edit->document()->isModified());
}

TEST_F(Ruler, DraggingTheFirstLineMarkerLeavesTheOtherLines) {
    const int y = 3;
    send(QEvent::MouseButtonPress, 10, y);
    ASSERT_EQ(ruler->DragKind(), TKesRuler::mkFirst);
    send(QEvent::MouseMove, 10 + 48, y);
    send(QEvent::MouseButtonRelease, 10 + 48, y);
    EXPECT_EQ(ruler->IndentFirst, 48);
    EXPECT_EQ(paragraph().leftMargin(), 0);
    EXPECT_EQ(paragraph().textIndent(), 48);
    EXPECT_EQ(edit->document()->lastBlock().blockFormat().textIndent(), 0)
        << "caret paragraph only";

    // The right marker: its indent is counted from the right text edge, on
    // the grid measured from the left margin.
    const int right = ruler->MarkerPos(TKesRuler::mkRight);
    const int y3 = ruler->height() - 8;
    send(QEvent::MouseButtonPress, right, y3);
    ASSERT_EQ(ruler->DragKind(), TKesRuler::mkRight);
    send(QEvent::MouseMove, right - 24, y3);
    send(QEvent::MouseButtonRelease, right - 24, y3);
    EXPECT_EQ(ruler->IndentRight, 28);
    EXPECT_EQ(paragraph().rightMargin(), 28);
}

TEST_F(Ruler, DisabledRulerIgnoresClicksAndTheParagraph) {
    ruler->setEnabled(false);
    send(QEvent::MouseButtonPress, 10, 3);
    EXPECT_EQ(ruler->DragKind(), 0);
    QTextBlockFormat f;
    f.setLeftMargin(30);
    edit->textCursor().mergeBlockFormat(f);
    ruler->UpdateFromParagraph();
    EXPECT_EQ(ruler->IndentLeft, 0);
}

TEST(RulerInWindow, FollowsThePageMode) {
    TestHome home;
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    auto* ruler = form.findChild<TKesRuler*>(QStringLiteral("KesRuler"));
    ASSERT_NE(ruler, nullptr);
    EXPECT_EQ(ruler->RichEdit(), form.RichEdit);
    form.SetPageRich(true);
    EXPECT_TRUE(ruler->isEnabled());
    form.SetPageRich(false);
    EXPECT_FALSE(ruler->isEnabled());
}

} // namespace
