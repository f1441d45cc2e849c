#include "GuiSupport.h"
#include "TestSupport.h"

#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/HotKey.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DesktopClipping.h"
#include "shell/MainForm.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Another program that owns the clipboard while it lives.
class ClipOwner {
public:
    explicit ClipOwner(const QStringList& args) {
        m_process.start(QStringLiteral(WREN_CLIP_HELPER), args);
        m_ready =
            m_process.waitForStarted(5000) &&
            WaitFor([this] { return m_process.canReadLine() || m_process.waitForReadyRead(10); },
                    10000);
    }
    ~ClipOwner() {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    bool ready() const { return m_ready; }

private:
    QProcess m_process;
    bool m_ready = false;
};

QString clipboardText() {
    const QMimeData* m = QGuiApplication::clipboard()->mimeData();
    return m && m->hasText() ? m->text() : QString();
}

bool pressKeys(const QString& keys) {
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty())
        return false;
    QProcess p;
    p.start(xdotool, {QStringLiteral("key"), keys});
    return WaitFor([&p] { return p.state() == QProcess::NotRunning; }, 10000) && p.exitCode() == 0;
}

class Desktop : public ::testing::Test {
protected:
    void SetUp() override {
        FillBooks(form, {QStringLiteral("A")});
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.GoToItem(form.Outline->topLevel(0)->item());
    }
    TestHome home;
    TFormMain form;
};

} // namespace

TEST(HotKeyMapping, WindowsKeyCodesBecomeKeysyms) {
    EXPECT_EQ(THotKey::keysymForVirtualKey(112), 0xffbeu); // F1
    EXPECT_EQ(THotKey::keysymForVirtualKey(123), 0xffc9u); // F12
    EXPECT_EQ(THotKey::keysymForVirtualKey('K'), uint32_t('k'));
    EXPECT_EQ(THotKey::keysymForVirtualKey('7'), uint32_t('7'));
    EXPECT_EQ(THotKey::keysymForVirtualKey(0x60), 0xffb0u); // keypad 0
    EXPECT_EQ(THotKey::keysymForVirtualKey(0x2E), 0xffffu); // Delete
    EXPECT_EQ(THotKey::keysymForVirtualKey(0xFF), 0u);
    EXPECT_EQ(THotKey::xModifiers(2), 4u);     // Control
    EXPECT_EQ(THotKey::xModifiers(1 | 4), 9u); // Alt (Mod1) and Shift
}

TEST_F(Desktop, TheHotKeyFromAnotherClientClips) {
    ASSERT_TRUE(TDesktopClipping::of(form)->x11HotKey()->isRegistered());
    ClipOwner owner({QStringLiteral("ホットキーで")});
    ASSERT_TRUE(owner.ready());
    ASSERT_TRUE(WaitFor([] { return clipboardText() == QStringLiteral("ホットキーで"); }, 15000));
    const int before = form.Outline->count();
    ASSERT_TRUE(pressKeys(QStringLiteral("ctrl+F1")));
    ASSERT_TRUE(WaitFor([&] { return form.Outline->count() == before + 1; }, 15000));
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("ホットキーで"));

    // Withdrawn: nothing more.
    TDesktopClipping::of(form)->UnregisterHotKey();
    ASSERT_TRUE(pressKeys(QStringLiteral("ctrl+F1")));
    QTest::qWait(300);
    EXPECT_EQ(form.Outline->count(), before + 1);

    // Another key from the settings.
    form.Options->ClipHotKey = 123;         // F12
    form.Options->ClipHotModifiers = 1 | 4; // Alt+Shift
    ASSERT_TRUE(TDesktopClipping::of(form)->RegisterHotKey());
    ASSERT_TRUE(pressKeys(QStringLiteral("ctrl+F1")));
    ASSERT_TRUE(pressKeys(QStringLiteral("alt+shift+F12")));
    ASSERT_TRUE(WaitFor([&] { return form.Outline->count() == before + 2; }, 15000));
    QTest::qWait(200);
    EXPECT_EQ(form.Outline->count(), before + 2);
}

TEST_F(Desktop, AKeyHeldByAnotherClientIsRefusedQuietly) {
    ASSERT_TRUE(TDesktopClipping::of(form)->x11HotKey()->isRegistered());
    TDesktopClipping::of(form)->UnregisterHotKey();
    ClipOwner holder({QStringLiteral("--grab"), QStringLiteral("112"), QStringLiteral("2")});
    ASSERT_TRUE(holder.ready());
    EXPECT_FALSE(TDesktopClipping::of(form)->RegisterHotKey());
    EXPECT_FALSE(TDesktopClipping::of(form)->x11HotKey()->isRegistered());
    // An unknown key code is refused too.
    THotKey other;
    EXPECT_FALSE(other.registerKey(7, 0xFF, 2));
}

TEST_F(Desktop, AutoClippingMakesOneItemPerClipboardChange) {
    std::vector<std::unique_ptr<ClipOwner>> owners;
    auto own = [&owners](const QString& text) {
        owners.push_back(std::make_unique<ClipOwner>(QStringList{text}));
        return owners.back()->ready() &&
               WaitFor([&text] { return clipboardText() == text; }, 15000);
    };
    ASSERT_TRUE(own(QStringLiteral("最初")));
    const int before = form.Outline->count();
    form.Commands->trigger(QStringLiteral("ItemAutoClipping"));
    ASSERT_TRUE(form.AutoClipping);
    // Switching on clips what is there at once.
    EXPECT_EQ(form.Outline->count(), before + 1);
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("最初"));
    EXPECT_FALSE(form.statusPanel(1)->pixmap().isNull());

    ASSERT_TRUE(own(QStringLiteral("二番目")));
    ASSERT_TRUE(WaitFor([&] { return form.Outline->count() == before + 2; }, 15000));
    EXPECT_EQ(TitleOf(form.CurrentItem), QStringLiteral("二番目"));
    ASSERT_TRUE(own(QStringLiteral("三番目")));
    ASSERT_TRUE(WaitFor([&] { return form.Outline->count() == before + 3; }, 15000));
    QTest::qWait(300);
    EXPECT_EQ(form.Outline->count(), before + 3); // one item per change

    form.Commands->trigger(QStringLiteral("ItemAutoClipping"));
    ASSERT_FALSE(form.AutoClipping);
    EXPECT_TRUE(form.statusPanel(1)->pixmap().isNull());
    ASSERT_TRUE(own(QStringLiteral("四番目")));
    QTest::qWait(500);
    EXPECT_EQ(form.Outline->count(), before + 3);
}
