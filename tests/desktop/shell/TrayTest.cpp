#include "GuiSupport.h"
#include "TestSupport.h"

#include "doc/WrenDoc.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/SingleInstance.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DesktopClipping.h"
#include "shell/DocumentCommands.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QLocale>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

bool xdotool(const QStringList& args) {
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (exe.isEmpty())
        return false;
    QProcess p;
    p.start(exe, args);
    return p.waitForFinished(10000) && p.exitCode() == 0;
}

bool clickAt(const QPoint& at, int button) {
    return xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                    QStringLiteral("click"), QString::number(button)});
}

// A tray host on the private X server (Debian's trayer), started once.
class Tray : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const QString trayer = QStandardPaths::findExecutable(QStringLiteral("trayer"));
        if (trayer.isEmpty())
            return;
        host = new QProcess;
        host->start(trayer,
                    {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                     QStringLiteral("right"), QStringLiteral("--widthtype"),
                     QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("32"),
                     QStringLiteral("--transparent"), QStringLiteral("false")});
        host->waitForStarted(5000);
    }
    static void TearDownTestSuite() {
        if (host) {
            host->kill();
            host->waitForFinished(5000);
            delete host;
            host = nullptr;
        }
    }
    void SetUp() override {
        ASSERT_NE(host, nullptr) << "the tray test needs trayer (scripts/deps.sh test)";
        ASSERT_TRUE(WaitFor([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, 10000))
            << "no tray host appeared";
        form = std::make_unique<TFormMain>();
        docs = TDocumentCommands::of(*form);
        docs->StartDocument(std::make_unique<TWrenDoc>(home.path()), nullptr);
        form->Options->StayOn = true;
        form->ApplySettings();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        // Docked: the host has moved the icon into its panel.
        ASSERT_TRUE(WaitFor([this] { return icon().topLeft() != QPoint(0, 0); }, 10000))
            << "the icon was not docked";
        QTest::qWait(100);
    }
    void TearDown() override {
        if (form) {
            docs->ExitWithoutSaving = true;
            docs->ReallyExit = true;
            form->close();
        }
        form.reset();
    }
    QRect icon() const { return form->TrayIcon1->geometry(); }

    static QProcess* host;
    TestHome home;
    std::unique_ptr<TFormMain> form;
    TDocumentCommands* docs = nullptr;
};

QProcess* Tray::host = nullptr;

} // namespace

TEST_F(Tray, ClosingStaysInTheTrayAndTheIconBringsTheWindowBack) {
    EXPECT_TRUE(form->TrayIcon1->isVisible());
    EXPECT_EQ(form->TrayIcon1->toolTip(), QStringLiteral("名称未設定 - WrenNOTE"));
    form->close();
    ASSERT_TRUE(WaitFor([this] { return form->isHidden(); }));
    QSignalSpy spy(form->TrayIcon1, &QSystemTrayIcon::activated);
    ASSERT_TRUE(clickAt(icon().center(), 1));
    ASSERT_TRUE(WaitFor([&spy] { return spy.count() > 0; }, 10000));
    EXPECT_EQ(spy.at(0).at(0).value<QSystemTrayIcon::ActivationReason>(), QSystemTrayIcon::Trigger);
    EXPECT_TRUE(WaitFor([this] { return form->isVisible(); }, 10000));
}

TEST_F(Tray, TheIconsMenuShowsTheWindowAgain) {
    form->hide();
    ASSERT_TRUE(clickAt(icon().center(), 3));
    QMenu* menu = form->TrayIcon1->contextMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(WaitFor([menu] { return menu->isVisible(); }, 10000));
    QStringList texts;
    for (QAction* a : menu->actions())
        if (!a->isSeparator())
            texts << a->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("ウィンドウを表示する(&F)")));
    EXPECT_TRUE(texts.contains(QStringLiteral("終了する(&X)")));
    QAction* show = form->Commands->action(QStringLiteral("ItemTrayShow"));
    ASSERT_NE(show, nullptr);
    menu->hide();
    show->trigger();
    EXPECT_TRUE(WaitFor([this] { return form->isVisible(); }));
}

TEST_F(Tray, TheHotKeyClipsWhileTheWindowIsInTheTray) {
    ASSERT_TRUE(TDesktopClipping::of(*form)->RegisterHotKey());
    form->close();
    ASSERT_TRUE(WaitFor([this] { return form->isHidden(); }));
    QGuiApplication::clipboard()->setText(QStringLiteral("トレイから"));
    const int before = form->Outline->count();
    ASSERT_TRUE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+F1")}));
    ASSERT_TRUE(WaitFor([this, before] { return form->Outline->count() == before + 1; }, 15000));
    EXPECT_EQ(TitleOf(form->CurrentItem), QStringLiteral("トレイから"));
    EXPECT_TRUE(form->isHidden());
}

// The application object of the program (made by this test's main).
TEST(WrenApplication, SpeaksJapaneseWhateverTheEnvironmentsLocale) {
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);
    EXPECT_EQ(QLocale().toString(QDate(2026, 12, 8), QLocale::ShortFormat),
              QStringLiteral("2026/12/08"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
              QStringLiteral("キャンセル"));
}
