// `wrennote --clip` run as its own process against a window of this test,
// under the test's X server: the text arrives as the hot key's item would.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/SingleInstance.h"
#include "shell/DesktopClipping.h"
#include "shell/MainForm.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QTextEdit>

#include <gtest/gtest.h>

#include <memory>

namespace {

class ClipCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QFileInfo::exists(qEnvironmentVariable("WRENNOTE_EXE")));
        doc = home.file(QStringLiteral("受け皿.wrn"));
        QFile(doc).open(QIODevice::WriteOnly);
        FillBooks(form, {QStringLiteral("A")});
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.GoToItem(form.Outline->topLevel(0)->item());
        ASSERT_TRUE(instance.Listen(doc));
        TDesktopClipping::of(form)->ServeClips(instance);
    }

    // Starts `wrennote ARGS` with input on its standard input.
    std::unique_ptr<QProcess> start(const QStringList& args, const QByteArray& input) {
        auto p = std::make_unique<QProcess>();
        p->start(qEnvironmentVariable("WRENNOTE_EXE"), args);
        p->waitForStarted(10000);
        p->write(input);
        p->closeWriteChannel();
        return p;
    }
    int finish(QProcess& p) {
        if (!WaitFor([&p] { return p.state() == QProcess::NotRunning; }, 40000))
            return -1;
        error = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }

    TestHome home;
    QString doc, error;
    TFormMain form;
    TSingleInstance instance;
};

} // namespace

TEST_F(ClipCommand, StandardInputBecomesOneItem) {
    const int before = form.Outline->count();
    auto p = start({QStringLiteral("--clip"), QStringLiteral("-"), doc},
                   QByteArray("  \n見出しです\n本文 ①\n"));
    ASSERT_EQ(finish(*p), 0) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(form.Outline->count(), before + 1);
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("見出しです"));
    // The page as given, without the line end the pipe added.
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("  \n見出しです\n本文 ①"));
    // Where the clipping settings put it: just below the selected book.
    EXPECT_EQ(form.CurrentItem->TreeNode, form.Outline->topLevel(1));
}

TEST_F(ClipCommand, TheClipboardOfAnotherProgramBecomesOneItem) {
    QProcess owner;
    owner.start(QStringLiteral(WREN_CLIP_HELPER), {QStringLiteral("よそのコピー\n二行目")});
    ASSERT_TRUE(owner.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&owner] { return owner.canReadLine(); }, 10000));
    const int before = form.Outline->count();
    auto p = start({QStringLiteral("--clip"), doc}, QByteArray());
    const int code = finish(*p);
    owner.kill();
    owner.waitForFinished(5000);
    ASSERT_EQ(code, 0) << error.toStdString();
    EXPECT_EQ(form.Outline->count(), before + 1);
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("よそのコピー"));
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("よそのコピー\n二行目"));
}

TEST_F(ClipCommand, AWindowLoadingOrInADialogIsWaitedFor) {
    const int before = form.Outline->count();
    TDesktopClipping::of(form)
        ->UnregisterHotKey(); // as while a document loads or the options are open
    auto p = start({QStringLiteral("--clip"), QStringLiteral("-"), doc}, QByteArray("待った"));
    QTest::qWait(800);
    EXPECT_EQ(p->state(), QProcess::Running);
    EXPECT_EQ(form.Outline->count(), before);
    TDesktopClipping::of(form)->RegisterHotKey();
    ASSERT_EQ(finish(*p), 0) << error.toStdString();
    EXPECT_EQ(form.Outline->count(), before + 1);
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("待った"));
}

TEST_F(ClipCommand, AnEmptyClipboardMakesNothing) {
    QProcess owner;
    owner.start(QStringLiteral(WREN_CLIP_HELPER), {QString()});
    ASSERT_TRUE(owner.waitForStarted(5000));
    ASSERT_TRUE(WaitFor([&owner] { return owner.canReadLine(); }, 10000));
    const int before = form.Outline->count();
    auto p = start({QStringLiteral("--clip"), doc}, QByteArray());
    const int code = finish(*p);
    owner.kill();
    owner.waitForFinished(5000);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(error.contains(QStringLiteral("クリップボードにテキストがありません")))
        << error.toStdString();
    EXPECT_EQ(form.Outline->count(), before);
}
