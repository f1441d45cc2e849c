// The clipping hot key through the desktop portal, against a stand-in portal
// on a private session bus that records what it is asked and presses the key.
#include "GuiSupport.h"
#include "PrivateBus.h"
#include "TestSupport.h"

#include "dialogs/MessageBox.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/PortalShortcut.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DesktopClipping.h"
#include "shell/MainForm.h"

#include <QClipboard>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QGuiApplication>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Shortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& arg, const Shortcut& s) {
    arg.beginStructure();
    arg << s.id << s.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, Shortcut& s) {
    arg.beginStructure();
    arg >> s.id >> s.properties;
    arg.endStructure();
    return arg;
}

} // namespace

Q_DECLARE_METATYPE(Shortcut)

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The portal's GlobalShortcuts as a desktop offers it, answering every
// request through Response as the portal documentation describes.
class StandInPortal : public QDBusVirtualObject {
public:
    explicit StandInPortal(const QDBusConnection& bus) : m_bus(bus) {
        m_bus.registerVirtualObject(kPath, this, QDBusConnection::SubPath);
        m_bus.registerService(kService);
    }

    QString introspect(const QString&) const override { return QString(); }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        if (m.member() == QLatin1String("Close")) {
            closed << m.path();
            connection.send(m.createReply());
            return true;
        }
        if (m.interface() != kInterface)
            return false;
        calls << m.member();
        QString sender = m.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        if (m.member() == QLatin1String("CreateSession")) {
            createOptions = qdbus_cast<QVariantMap>(m.arguments().value(0));
            const QString request = kPath + QStringLiteral("/request/") + sender +
                                    QLatin1Char('/') +
                                    createOptions.value(QStringLiteral("handle_token")).toString();
            session = kPath + QStringLiteral("/session/") + sender + QLatin1Char('/') +
                      createOptions.value(QStringLiteral("session_handle_token")).toString();
            connection.send(m.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            respond(request, createResponse, {{QStringLiteral("session_handle"), session}});
            return true;
        }
        if (m.member() == QLatin1String("BindShortcuts")) {
            boundSession = qdbus_cast<QDBusObjectPath>(m.arguments().value(0)).path();
            const QList<Shortcut> asked = qdbus_cast<QList<Shortcut>>(m.arguments().value(1));
            const QVariantMap options = qdbus_cast<QVariantMap>(m.arguments().value(3));
            ids.clear();
            for (const Shortcut& s : asked) {
                ids << s.id;
                preferredTrigger =
                    s.properties.value(QStringLiteral("preferred_trigger")).toString();
                description = s.properties.value(QStringLiteral("description")).toString();
            }
            const QString request = kPath + QStringLiteral("/request/") + sender +
                                    QLatin1Char('/') +
                                    options.value(QStringLiteral("handle_token")).toString();
            connection.send(m.createReply(QVariant::fromValue(QDBusObjectPath(request))));
            const QList<Shortcut> result{
                {QStringLiteral("clip"),
                 {{QStringLiteral("description"), description},
                  {QStringLiteral("trigger_description"), QStringLiteral("Ctrl+F1（代役）")}}}};
            respond(request, bindResponse,
                    {{QStringLiteral("shortcuts"), QVariant::fromValue(result)}});
            return true;
        }
        connection.send(
            m.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
                               QStringLiteral("no such method")));
        return true;
    }

    // The user presses the bound key.
    void activate(const QString& inSession, const QString& id = QStringLiteral("clip")) {
        QDBusMessage signal =
            QDBusMessage::createSignal(kPath, kInterface, QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(inSession)) << id << qulonglong(0)
               << QVariantMap();
        m_bus.send(signal);
    }

    QStringList calls, closed, ids;
    QVariantMap createOptions;
    QString session, boundSession, preferredTrigger, description;
    uint createResponse = 0, bindResponse = 0;

private:
    void respond(const QString& request, uint response, const QVariantMap& results) {
        QDBusMessage signal = QDBusMessage::createSignal(
            request, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << results;
        m_bus.send(signal);
    }
    QDBusConnection m_bus;
};

class PortalHotKey : public ::testing::Test {
protected:
    void SetUp() override {
        qDBusRegisterMetaType<Shortcut>();
        qDBusRegisterMetaType<QList<Shortcut>>();
        if (!bus.ok())
            GTEST_SKIP() << "needs dbus-daemon (scripts/deps.sh test)";
        savedPlatform = TDesktopClipping::Platform;
        savedBus = TDesktopClipping::PortalBus;
        TDesktopClipping::Platform = [] { return QStringLiteral("wayland"); };
        QDBusConnection app = bus.connect(QStringLiteral("wren-app"));
        TDesktopClipping::PortalBus = [app] { return app; };
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        boxes = MessageBox::count();
    }
    void TearDown() override {
        form.reset();
        portal.reset();
        if (savedPlatform) {
            TDesktopClipping::Platform = savedPlatform;
            TDesktopClipping::PortalBus = savedBus;
        }
        MessageBox::setAutoAnswer(QMessageBox::NoButton);
    }
    void startPortal() {
        portal = std::make_unique<StandInPortal>(bus.connect(QStringLiteral("wren-portal")));
    }
    void makeForm() {
        form = std::make_unique<TFormMain>();
        FillBooks(*form, {QStringLiteral("A")});
        form->GoToItem(form->Outline->topLevel(0)->item());
    }
    TDesktopClipping& clipping() const { return *TDesktopClipping::of(*form); }
    QString status() const { return form->statusPanel(0)->text(); }
    // One round trip of each side through the bus daemon: what they asked it
    // to route (signal subscriptions) is in place before the key is pressed.
    void settle() {
        TDesktopClipping::PortalBus().interface()->isServiceRegistered(kService);
        QTest::qWait(50);
    }

    TestHome home;
    PrivateBus bus;
    std::unique_ptr<StandInPortal> portal;
    std::unique_ptr<TFormMain> form;
    std::function<QString()> savedPlatform;
    std::function<QDBusConnection()> savedBus;
    int boxes = 0;
};

} // namespace

TEST(PortalTrigger, TheSettingsKeyInFreedesktopsShortcutNotation) {
    EXPECT_EQ(TPortalShortcut::TriggerText(112, 2), QStringLiteral("CTRL+F1"));
    EXPECT_EQ(TPortalShortcut::TriggerText(123, 1 | 4), QStringLiteral("ALT+SHIFT+F12"));
    EXPECT_EQ(TPortalShortcut::TriggerText('K', 2 | 8), QStringLiteral("CTRL+LOGO+k"));
    EXPECT_EQ(TPortalShortcut::TriggerText('7', 2), QStringLiteral("CTRL+7"));
    EXPECT_EQ(TPortalShortcut::TriggerText(0x60, 2), QStringLiteral("CTRL+KP_0"));
    EXPECT_EQ(TPortalShortcut::TriggerText(0x2E, 2 | 1), QStringLiteral("CTRL+ALT+Delete"));
    EXPECT_EQ(TPortalShortcut::TriggerText(0xBA, 2), QStringLiteral("CTRL+semicolon"));
    EXPECT_TRUE(TPortalShortcut::TriggerText(0xFF, 2).isEmpty());
}

TEST_F(PortalHotKey, TheKeyIsBoundAndItsActivationClips) {
    startPortal();
    makeForm();
    EXPECT_EQ(clipping().route(), TDesktopClipping::RoutePortal);
    ASSERT_TRUE(WaitFor([this] { return clipping().portal() && clipping().portal()->IsBound(); }))
        << portal->calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(portal->calls,
              (QStringList{QStringLiteral("CreateSession"), QStringLiteral("BindShortcuts")}));
    EXPECT_FALSE(portal->createOptions.value(QStringLiteral("handle_token")).toString().isEmpty());
    EXPECT_FALSE(
        portal->createOptions.value(QStringLiteral("session_handle_token")).toString().isEmpty());
    EXPECT_EQ(portal->boundSession, portal->session);
    EXPECT_EQ(portal->ids, QStringList{QStringLiteral("clip")});
    EXPECT_EQ(portal->preferredTrigger, QStringLiteral("CTRL+F1"));
    EXPECT_FALSE(portal->description.isEmpty());
    // What the desktop bound is what the options dialog shows.
    EXPECT_EQ(clipping().BoundTrigger(), QStringLiteral("Ctrl+F1（代役）"));
    EXPECT_TRUE(clipping().OptionsNote().contains(QStringLiteral("Ctrl+F1（代役）")));
    EXPECT_EQ(MessageBox::count(), boxes);

    QGuiApplication::clipboard()->setText(QStringLiteral("ポータルから\n本文"));
    const int before = form->Outline->count();
    settle();
    portal->activate(portal->session);
    ASSERT_TRUE(WaitFor([&] { return form->Outline->count() == before + 1; }));
    EXPECT_EQ(TitleOf(form->CurrentItem), QStringLiteral("ポータルから"));
    // Another session's key or another shortcut of ours is not this one.
    portal->activate(kPath + QStringLiteral("/session/other/x"));
    portal->activate(portal->session, QStringLiteral("other"));
    QTest::qWait(200);
    EXPECT_EQ(form->Outline->count(), before + 1);
}

TEST_F(PortalHotKey, NoClippingWhileWithdrawnAndANewKeyIsBoundAfresh) {
    startPortal();
    makeForm();
    ASSERT_TRUE(WaitFor([this] { return clipping().portal() && clipping().portal()->IsBound(); }));
    QGuiApplication::clipboard()->setText(QStringLiteral("取り下げ中"));
    const int before = form->Outline->count();
    TDesktopClipping::of(*form)->UnregisterHotKey(); // loading, or the options dialog open
    portal->activate(portal->session);
    QTest::qWait(200);
    EXPECT_EQ(form->Outline->count(), before);
    // The same key again: the session stays, nothing is asked of the desktop.
    EXPECT_TRUE(TDesktopClipping::of(*form)->RegisterHotKey());
    QTest::qWait(100);
    EXPECT_EQ(portal->calls.size(), 2);
    portal->activate(portal->session);
    ASSERT_TRUE(WaitFor([&] { return form->Outline->count() == before + 1; }));

    // A changed key: the old session ends and a new one binds it.
    const QString old = portal->session;
    form->Options->ClipHotKey = 123;
    form->Options->ClipHotModifiers = 1 | 4;
    EXPECT_TRUE(TDesktopClipping::of(*form)->RegisterHotKey());
    ASSERT_TRUE(
        WaitFor([this] { return portal->calls.size() == 4 && clipping().portal()->IsBound(); }));
    EXPECT_TRUE(portal->closed.contains(old));
    EXPECT_EQ(portal->preferredTrigger, QStringLiteral("ALT+SHIFT+F12"));
    EXPECT_NE(portal->session, old);
    portal->activate(old);
    QTest::qWait(200);
    EXPECT_EQ(form->Outline->count(), before + 1);
    portal->activate(portal->session);
    ASSERT_TRUE(WaitFor([&] { return form->Outline->count() == before + 2; }));
}

TEST_F(PortalHotKey, ARefusalIsToldInTheStatusBarAndOnceInABox) {
    startPortal();
    portal->bindResponse = 2;
    makeForm();
    ASSERT_TRUE(WaitFor([this] { return MessageBox::count() == boxes + 1; }));
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("wrennote --clip")));
    EXPECT_TRUE(status().contains(QStringLiteral("断りました"))) << status().toStdString();
    EXPECT_TRUE(status().contains(QStringLiteral("wrennote --clip")));
    EXPECT_FALSE(clipping().portal()->IsBound());
    EXPECT_TRUE(clipping().OptionsNote().contains(QStringLiteral("wrennote --clip")));
    // Asked again (after the options dialog): told in the status bar, not in another box.
    TDesktopClipping::of(*form)->UnregisterHotKey();
    EXPECT_TRUE(TDesktopClipping::of(*form)->RegisterHotKey());
    ASSERT_TRUE(WaitFor([this] { return portal->calls.size() == 4; }));
    QTest::qWait(200);
    EXPECT_EQ(MessageBox::count(), boxes + 1);
    EXPECT_TRUE(status().contains(QStringLiteral("断りました")));
}

TEST_F(PortalHotKey, ADesktopWithoutThePortalSaysSo) {
    makeForm(); // nobody owns the portal's name on this bus
    ASSERT_TRUE(WaitFor([this] { return MessageBox::count() == boxes + 1; }));
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("GlobalShortcuts")));
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("wrennote --clip")));
    EXPECT_TRUE(status().contains(QStringLiteral("wrennote --clip")));
    // The next start says it in the status bar only: the box was read.
    form.reset();
    makeForm();
    ASSERT_TRUE(WaitFor([this] { return status().contains(QStringLiteral("GlobalShortcuts")); }));
    QTest::qWait(100);
    EXPECT_EQ(MessageBox::count(), boxes + 1);
}

TEST_F(PortalHotKey, APlatformWithoutAnyHotKeySaysSo) {
    TDesktopClipping::Platform = [] { return QStringLiteral("eglfs"); };
    makeForm();
    EXPECT_EQ(clipping().route(), TDesktopClipping::RouteNone);
    EXPECT_TRUE(status().contains(QStringLiteral("wrennote --clip")));
    ASSERT_TRUE(WaitFor([this] { return MessageBox::count() == boxes + 1; }));
    // Offscreen (tests, headless use) has no user to tell.
    TDesktopClipping::Platform = [] { return QStringLiteral("offscreen"); };
    TDesktopClipping::of(*form)->RegisterHotKey();
    QTest::qWait(100);
    EXPECT_EQ(MessageBox::count(), boxes + 1);
}

TEST_F(PortalHotKey, AutomaticClippingOnWaylandSaysWhatItCanSee) {
    // A compositor without data control (none at all here).
    EnvScope noCompositor("WAYLAND_DISPLAY", "wren-no-such-display");
    startPortal();
    makeForm();
    ASSERT_TRUE(WaitFor([this] { return clipping().portal() && clipping().portal()->IsBound(); }));
    QGuiApplication::clipboard()->setText(QStringLiteral("いまの中身"));
    const int before = form->Outline->count();
    form->Commands->trigger(QStringLiteral("ItemAutoClipping"));
    ASSERT_TRUE(form->AutoClipping);
    // What there is now is clipped at once, as everywhere.
    EXPECT_EQ(form->Outline->count(), before + 1);
    EXPECT_TRUE(status().contains(QStringLiteral("アクティブな間"))) << status().toStdString();
    ASSERT_TRUE(WaitFor([this] { return MessageBox::count() == boxes + 1; }));
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("wrennote --clip")));
    // Off and on again: the status bar, not another box.
    form->Commands->trigger(QStringLiteral("ItemAutoClipping"));
    form->Commands->trigger(QStringLiteral("ItemAutoClipping"));
    QTest::qWait(100);
    EXPECT_EQ(MessageBox::count(), boxes + 1);
    form->Commands->trigger(QStringLiteral("ItemAutoClipping"));
    EXPECT_FALSE(form->AutoClipping);

    // Under X11 the clipboard of every program is seen: nothing to say.
    TDesktopClipping::Platform = [] { return QStringLiteral("xcb"); };
    form->statusPanel(0)->clear();
    form->Commands->trigger(QStringLiteral("ItemAutoClipping"));
    QTest::qWait(100);
    EXPECT_FALSE(status().contains(QStringLiteral("アクティブな間")));
    EXPECT_EQ(MessageBox::count(), boxes + 1);
}
