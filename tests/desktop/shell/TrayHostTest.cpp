// A window resident in the tray on a desktop whose tray host is missing or
// goes away: it is never left without a way back.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "platform/TrayPresence.h"
#include "settings/OptionCommands.h"
#include "settings/OptionDesc.h"
#include "settings/OptionForm.h"
#include "shell/MainForm.h"
#include "shell/TrayGuard.h"

#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<QProcess> startTrayer() {
    const QString trayer = QStandardPaths::findExecutable(QStringLiteral("trayer"));
    if (trayer.isEmpty())
        return nullptr;
    auto host = std::make_unique<QProcess>();
    host->start(trayer, {QStringLiteral("--edge"), QStringLiteral("bottom"),
                         QStringLiteral("--widthtype"), QStringLiteral("request"),
                         QStringLiteral("--transparent"), QStringLiteral("false")});
    if (!host->waitForStarted(5000))
        return nullptr;
    return host;
}

void stop(std::unique_ptr<QProcess>& host) {
    if (!host)
        return;
    host->kill();
    host->waitForFinished(5000);
    host.reset();
}

// The options dialog as opened by its command, looked at instead of run.
QString optionsTrayNote(TFormMain& form) {
    QString note;
    const auto saved = TFormOption::Exec;
    TFormOption::Exec = [&note](TFormOption& dialog) {
        note = dialog.LabelTrayNote->isHidden() ? QString() : dialog.LabelTrayNote->text();
        return int(QDialog::Rejected);
    };
    TOptionCommands::of(form)->RunOptions();
    TFormOption::Exec = saved;
    return note;
}

} // namespace

TEST(TrayHost, ComesAndGoesAndTheWindowStaysWithinReach) {
    if (QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty())
        GTEST_SKIP() << "needs trayer (scripts/deps.sh test)";
    TestHome home;
    TTrayPresence presence;
    ASSERT_TRUE(WaitFor([&presence] { return !presence.available(); }, 10000))
        << "a tray host of another test is still there";

    TFormMain form;
    form.Options->HideForm = true;
    form.Options->StayOn = true;
    form.ApplySettings();
    TTrayGuard* guard = TTrayGuard::of(form);
    ASSERT_NE(guard, nullptr);
    ASSERT_TRUE(WaitFor([guard] { return !guard->Available(); }, 10000));
    // No tray: the start-up shows the window, and says why.
    EXPECT_TRUE(guard->ShowAtStart());
    EXPECT_TRUE(form.statusPanel(0)->text().contains(QStringLiteral("タスクトレイがない")));
    EXPECT_EQ(optionsTrayNote(form), TTrayGuard::NoTrayText());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    // A host appears: told without asking, and the icon docks.
    QSignalSpy changes(&presence, &TTrayPresence::availabilityChanged);
    auto host = startTrayer();
    ASSERT_NE(host, nullptr);
    ASSERT_TRUE(WaitFor([&presence] { return presence.available(); }, 10000));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_TRUE(presence.xembedHost());
    ASSERT_TRUE(WaitFor([guard] { return guard->Available(); }, 10000));
    EXPECT_TRUE(form.TrayIcon1->isVisible());
    EXPECT_FALSE(guard->ShowAtStart()) << "with a tray, HideForm hides";
    EXPECT_TRUE(optionsTrayNote(form).isEmpty());

    // Waiting in the tray when the host goes: the window comes back.
    form.hide();
    stop(host);
    ASSERT_TRUE(WaitFor([&form] { return form.isVisible(); }, 10000))
        << "the window stayed hidden without a tray";
    EXPECT_FALSE(presence.available());
    EXPECT_EQ(changes.count(), 2);
    EXPECT_FALSE(form.TrayIcon1->isVisible());
    EXPECT_TRUE(form.statusPanel(0)->text().contains(QStringLiteral("タスクトレイがなくなった")));

    // And a window on screen stays as it is when a host comes back.
    host = startTrayer();
    ASSERT_TRUE(WaitFor([guard] { return guard->Available(); }, 10000));
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.TrayIcon1->isVisible());
    stop(host);
    ASSERT_TRUE(WaitFor([guard] { return !guard->Available(); }, 10000));
}
