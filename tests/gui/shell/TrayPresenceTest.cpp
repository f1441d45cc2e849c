// The tray on a Wayland desktop is a StatusNotifierItem host registered with
// the session bus's watcher: a stand-in watcher on a private bus lets hosts
// come and go, and the window is kept within reach.
#include "GuiSupport.h"
#include "PrivateBus.h"
#include "TestSupport.h"

#include "platform/TrayPresence.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"
#include "shell/TrayGuard.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QLabel>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// What KDE's watcher answers about hosts, and the signals it sends.
class StandInWatcher : public QDBusVirtualObject {
public:
    explicit StandInWatcher(const QDBusConnection& bus) : m_bus(bus) {
        m_bus.registerVirtualObject(kWatcherPath, this);
    }
    void appear() { m_bus.registerService(kWatcher); }
    void vanish() { m_bus.unregisterService(kWatcher); }
    void setHost(bool registered) {
        host = registered;
        m_bus.send(QDBusMessage::createSignal(
            kWatcherPath, kWatcher,
            registered ? QStringLiteral("StatusNotifierHostRegistered")
                       : QStringLiteral("StatusNotifierHostUnregistered")));
    }

    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        if (m.member() == QLatin1String("Get") &&
            m.arguments().value(1).toString() == QLatin1String("IsStatusNotifierHostRegistered")) {
            ++asked;
            connection.send(m.createReply(QVariant::fromValue(QDBusVariant(host))));
            return true;
        }
        return false;
    }

    bool host = false;
    int asked = 0;

private:
    QDBusConnection m_bus;
};

} // namespace

TEST(TrayPresence, StatusNotifierHostsComeAndGo) {
    PrivateBus bus;
    if (!bus.ok())
        GTEST_SKIP() << "needs dbus-daemon (scripts/deps.sh test)";
    StandInWatcher watcher(bus.connect(QStringLiteral("wren-watcher")));
    TTrayPresence presence(bus.connect(QStringLiteral("wren-tray")), nullptr);
    QSignalSpy changes(&presence, &TTrayPresence::availabilityChanged);
    EXPECT_FALSE(presence.available()) << "no watcher on the bus";

    // A watcher without a host (a panel that shows no tray) is no tray.
    watcher.appear();
    ASSERT_TRUE(WaitFor([&watcher] { return watcher.asked > 0; }));
    QTest::qWait(100);
    EXPECT_FALSE(presence.available());
    EXPECT_EQ(changes.count(), 0);

    watcher.setHost(true);
    ASSERT_TRUE(WaitFor([&presence] { return presence.available(); }));
    EXPECT_TRUE(presence.statusNotifierHost());
    EXPECT_FALSE(presence.xembedHost());
    EXPECT_EQ(changes.count(), 1);

    // A host leaving is checked with the watcher, which may still know another.
    const int asked = watcher.asked;
    watcher.setHost(false);
    ASSERT_TRUE(WaitFor([&presence] { return !presence.available(); }));
    EXPECT_GT(watcher.asked, asked);
    EXPECT_EQ(changes.count(), 2);

    // The watcher itself going (the panel ends) takes the tray with it.
    watcher.setHost(true);
    ASSERT_TRUE(WaitFor([&presence] { return presence.available(); }));
    watcher.host = false;
    watcher.vanish();
    ASSERT_TRUE(WaitFor([&presence] { return !presence.available(); }));
}

TEST(TrayPresence, AWindowInTheTrayComesBackWhenTheHostGoes) {
    PrivateBus bus;
    if (!bus.ok())
        GTEST_SKIP() << "needs dbus-daemon (scripts/deps.sh test)";
    TestHome home;
    StandInWatcher watcher(bus.connect(QStringLiteral("wren-watcher")));
    // (The watcher appears after the presence: in one thread the presence's
    // first, blocking question could not be answered.)
    TTrayPresence presence(bus.connect(QStringLiteral("wren-tray")), nullptr);
    watcher.host = true;
    watcher.appear();
    ASSERT_TRUE(WaitFor([&presence] { return presence.available(); }));

    TFormMain form;
    auto* guard = new TTrayGuard(form, &presence);
    form.Options->HideForm = true;
    form.Options->StayOn = true;
    EXPECT_FALSE(guard->ShowAtStart()) << "a tray to come back from";
    form.hide();
    watcher.setHost(false);
    ASSERT_TRUE(WaitFor([&form] { return form.isVisible(); }));
    EXPECT_TRUE(form.statusPanel(0)->text().contains(QStringLiteral("タスクトレイがなくなった")));
    EXPECT_TRUE(guard->ShowAtStart()) << "no tray now";
}
