// Clipping under a Wayland compositor with data control (headless sway, set
// up by wayland_test.sh): the clipboard of other clients read without our
// window in front, automatic clipping, and sources that are too large or
// never write.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/MessageBox.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/DataControl.h"
#include "platform/SingleInstance.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DesktopClipping.h"
#include "shell/MainForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// wl-copy TEXT in the foreground: it serves the selection until killed.
class Copier {
public:
    explicit Copier(const QByteArray& text) {
        m_process.start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground")});
        m_process.waitForStarted(5000);
        m_process.write(text);
        m_process.closeWriteChannel();
    }
    ~Copier() {
        ::kill(pid_t(m_process.processId()), SIGCONT);
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    void freeze() { ::kill(pid_t(m_process.processId()), SIGSTOP); }

private:
    QProcess m_process;
};

QString pasted() {
    QProcess p;
    p.start(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")});
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool copied(const QString& text) {
    return WaitFor([&text] { return pasted() == text; }, 10000);
}

} // namespace

TEST(DataControl, ReadsTheClipboardOfAnotherClient) {
    ASSERT_TRUE(TDataControl::Built());
    {
        Copier c(QStringLiteral("よそのテキスト\n二行目").toUtf8());
        ASSERT_TRUE(copied(QStringLiteral("よそのテキスト\n二行目")));
        QString text;
        EXPECT_EQ(TDataControl::ReadSelection(&text, 1000, 3000), TDataControl::Text);
        EXPECT_EQ(text, QStringLiteral("よそのテキスト\n二行目"));
        // Over the cap.
        EXPECT_EQ(TDataControl::ReadSelection(&text, 10, 3000), TDataControl::TooLarge);
    }
    QProcess clear;
    clear.start(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
    clear.waitForFinished(5000);
    QString text;
    EXPECT_TRUE(WaitFor([&text] {
        return TDataControl::ReadSelection(&text, 1000, 1000) == TDataControl::NoText;
    }));
}

TEST(DataControl, ASourceThatNeverWritesTimesOut) {
    Copier c("止まる");
    ASSERT_TRUE(copied(QStringLiteral("止まる")));
    c.freeze();
    QString text;
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(TDataControl::ReadSelection(&text, 1000, 800), TDataControl::TimedOut);
    EXPECT_LT(clock.elapsed(), 5000);
}

class AutoClipping : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("A")});
        form.show();
        form.GoToItem(form.Outline->topLevel(0)->item());
        form.Commands->trigger(QStringLiteral("ItemAutoClipping"));
        ASSERT_TRUE(form.AutoClipping);
        ASSERT_TRUE(TDesktopClipping::of(form)->WatchesClipboard()) << "sway offers data control";
        QTest::qWait(200);
        before = form.Outline->count();
    }
    void TearDown() override {
        if (form.AutoClipping)
            form.Commands->trigger(QStringLiteral("ItemAutoClipping"));
    }
    TestHome home;
    TFormMain form;
    int before = 0;
};

TEST_F(AutoClipping, EachCopyOfAnotherClientBecomesOneItem) {
    {
        Copier c("一つ目のコピー");
        ASSERT_TRUE(WaitFor([this] { return form.Outline->count() == before + 1; }, 10000));
        EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("一つ目のコピー"));
    }
    Copier c("二つ目\n本文");
    ASSERT_TRUE(WaitFor([this] { return form.Outline->count() == before + 2; }, 10000));
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("二つ目"));
    EXPECT_EQ(form.RichEdit->toPlainText(), QStringLiteral("二つ目\n本文"));
    QTest::qWait(500);
    EXPECT_EQ(form.Outline->count(), before + 2) << "one item per copy";

    // Off: nothing more.
    form.Commands->trigger(QStringLiteral("ItemAutoClipping"));
    EXPECT_FALSE(TDesktopClipping::of(form)->WatchesClipboard());
    Copier after("止めた後");
    ASSERT_TRUE(copied(QStringLiteral("止めた後")));
    QTest::qWait(300);
    EXPECT_EQ(form.Outline->count(), before + 2);
}

TEST_F(AutoClipping, ATooLargeCopyIsToldNotClipped) {
    // Read on the watching thread: the window keeps running meanwhile.
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(50);
    Copier big(QByteArray(int(TSingleInstance::MaxClipBytes) + 1, 'a'));
    ASSERT_TRUE(WaitFor(
        [this] { return form.statusPanel(0)->text().contains(QStringLiteral("大きすぎる")); },
        20000));
    EXPECT_EQ(form.Outline->count(), before);
    EXPECT_GT(ticks, 0);
}

// The real program on a document, and `wrennote --clip` run beside it.
TEST(ClipCommand, StandardInputAndTheClipboardReachTheRunningWindow) {
    TestHome home;
    const QString doc = home.file(QStringLiteral("ウェイランド.wrn"));
    {
        TOptionDesc settings;
        TOutline outline(&settings);
        TLeafNote::Create(outline, 1, nullptr)->Title = Sjis("本");
        QFile f(doc);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(OutlineFile::writeDocument(settings, outline));
    }
    QProcess app;
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    app.start(qEnvironmentVariable("WRENNOTE_EXE"), {doc});
    ASSERT_TRUE(app.waitForStarted(10000));
    ASSERT_TRUE(
        WaitFor([&doc] { return QFileInfo::exists(TSingleInstance::ServerName(doc)); }, 20000));
    auto clip = [&doc](const QStringList& args, const QByteArray& input, QString* error) {
        QProcess p;
        p.start(qEnvironmentVariable("WRENNOTE_EXE"), args + QStringList{doc});
        p.waitForStarted(10000);
        p.write(input);
        p.closeWriteChannel();
        if (!p.waitForFinished(40000))
            return -1;
        *error = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    };
    QString error;
    EXPECT_EQ(clip({QStringLiteral("--clip"), QStringLiteral("-")}, "メモ\n", &error), 0)
        << error.toStdString();
    {
        Copier c("ウェイランドのコピー");
        ASSERT_TRUE(copied(QStringLiteral("ウェイランドのコピー")));
        EXPECT_EQ(clip({QStringLiteral("--clip")}, QByteArray(), &error), 0) << error.toStdString();
    }
    QProcess clear;
    clear.start(QStringLiteral("wl-copy"), {QStringLiteral("--clear")});
    clear.waitForFinished(5000);
    ASSERT_TRUE(WaitFor([] { return pasted().isEmpty(); }));
    EXPECT_EQ(clip({QStringLiteral("--clip")}, QByteArray(), &error), 1);
    EXPECT_TRUE(error.contains(QStringLiteral("クリップボードにテキストがありません")))
        << error.toStdString();
    app.kill();
    app.waitForFinished(5000);
}

// weston offers no data control: automatic clipping says what it can see.
TEST(WithoutDataControl, AutomaticClippingSaysWhatItCanSee) {
    TestHome home;
    QString text;
    EXPECT_EQ(TDataControl::ReadSelection(&text, 100, 1000), TDataControl::Unavailable);
    TFormMain form;
    FillBooks(form, {QStringLiteral("A")});
    form.show();
    const int boxes = MessageBox::count();
    form.Commands->trigger(QStringLiteral("ItemAutoClipping"));
    ASSERT_TRUE(form.AutoClipping);
    EXPECT_FALSE(TDesktopClipping::of(form)->WatchesClipboard());
    EXPECT_TRUE(form.statusPanel(0)->text().contains(QStringLiteral("アクティブな間")))
        << form.statusPanel(0)->text().toStdString();
    ASSERT_TRUE(WaitFor([boxes] { return MessageBox::count() > boxes; }));
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("wrennote --clip")));
    form.Commands->trigger(QStringLiteral("ItemAutoClipping"));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (QGuiApplication::platformName() != QLatin1String("wayland")) {
        std::fprintf(stderr, "run through wayland_test.sh (needs a Wayland compositor)\n");
        return 1;
    }
    MessageBox::setAutoAnswer(QMessageBox::Ok);
    // The compositor the script started decides which tests apply.
    ::testing::GTEST_FLAG(filter) =
        qgetenv("WREN_COMPOSITOR") == "weston" ? "WithoutDataControl.*" : "-WithoutDataControl.*";
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
