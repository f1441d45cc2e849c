#include "platform/SingleInstance.h"

#include "InstanceSupport.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

TEST(SingleInstance, NamesFollowTheCanonicalDocument) {
    TestHome home;
    const QString doc = home.file(QStringLiteral("予定.wrn"));
    QFile(doc).open(QIODevice::WriteOnly);
    const QString alias = home.file(QStringLiteral("別名.wrn"));
    ASSERT_TRUE(QFile::link(doc, alias));
    EXPECT_EQ(TSingleInstance::ServerName(doc), TSingleInstance::ServerName(alias));
    EXPECT_EQ(TSingleInstance::ServerName(doc),
              TSingleInstance::ServerName(home.path() + QStringLiteral("/./予定.wrn")));
    EXPECT_NE(TSingleInstance::ServerName(doc),
              TSingleInstance::ServerName(home.file(QStringLiteral("他.wrn"))));
    EXPECT_TRUE(QFileInfo(TSingleInstance::ServerName(doc))
                    .fileName()
                    .startsWith(QStringLiteral("WrenNOTE-")));
    EXPECT_EQ(QFileInfo(TSingleInstance::ServerName(doc)).absolutePath(),
              TSingleInstance::SocketFolder());
}

TEST(SingleInstance, ADocumentNotYetWrittenHasTheNameItWillHave) {
    // Save As listens before the file exists; a second instance started on
    // the file later must reach it, also through a linked folder.
    TestHome home;
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("本物")));
    const QString real = home.file(QStringLiteral("本物"));
    const QString linked = home.file(QStringLiteral("リンク"));
    ASSERT_TRUE(QFile::link(real, linked));
    const QString before = TSingleInstance::ServerName(linked + QStringLiteral("/新規.wrn"));
    QFile(real + QStringLiteral("/新規.wrn")).open(QIODevice::WriteOnly);
    EXPECT_EQ(before, TSingleInstance::ServerName(real + QStringLiteral("/新規.wrn")));
    EXPECT_EQ(before, TSingleInstance::ServerName(linked + QStringLiteral("/新規.wrn")));
}

TEST(SingleInstance, AnOlderFormatFileIsTheDocumentItIsConvertedTo) {
    // Opening "x.lkp" shows and writes "x.wrn": an instance that holds
    // "x.wrn" is the one to come forward.
    TestHome home;
    const QString lkp = home.file(QStringLiteral("古い.LKP"));
    const QString wrn = home.file(QStringLiteral("古い.wrn"));
    QFile(lkp).open(QIODevice::WriteOnly);
    const QString before = TSingleInstance::ServerName(lkp);
    EXPECT_EQ(before, TSingleInstance::ServerName(wrn)) << "before the conversion";
    QFile(wrn).open(QIODevice::WriteOnly);
    EXPECT_EQ(TSingleInstance::ServerName(lkp), TSingleInstance::ServerName(wrn));
    EXPECT_EQ(before, TSingleInstance::ServerName(wrn));
    EXPECT_NE(TSingleInstance::ServerName(home.file(QStringLiteral("古い.txt"))),
              TSingleInstance::ServerName(wrn));
}

TEST(SingleInstance, TheHolderIsAskedToShowItself) {
    TestHome home;
    const QString doc = home.file(QStringLiteral("開いている.wrn"));
    QFile(doc).open(QIODevice::WriteOnly);
    EXPECT_FALSE(TSingleInstance::NotifyRunning(doc, 500)) << "nobody holds it yet";

    TSingleInstance first;
    QSignalSpy shown(&first, &TSingleInstance::showRequested);
    ASSERT_EQ(first.Claim(doc), TSingleInstance::Claimed);
    EXPECT_EQ(first.ListeningPath(), doc);
    EXPECT_TRUE(notifyFromAnotherThread(doc));
    waitUntil([&] { return !shown.isEmpty(); });
    EXPECT_EQ(shown.count(), 1);

    // A second holder of the same document is refused while the first lives.
    TSingleInstance second;
    EXPECT_FALSE(second.Listen(doc));

    // After a rename the old name is free and the new one is held.
    const QString renamed = home.file(QStringLiteral("新しい名前.wrn"));
    QFile::rename(doc, renamed);
    ASSERT_TRUE(first.Listen(renamed));
    EXPECT_TRUE(second.Listen(doc));
    second.Stop();
    EXPECT_TRUE(notifyFromAnotherThread(renamed));
    waitUntil([&] { return shown.count() >= 2; });
    EXPECT_EQ(shown.count(), 2);

    first.Stop();
    EXPECT_FALSE(TSingleInstance::NotifyRunning(renamed, 500));
    EXPECT_EQ(TSingleInstance().Claim(QString()), TSingleInstance::NotClaimed);
}

TEST(SingleInstance, ANameLeftByACrashedInstanceIsTakenOver) {
    TestHome home;
    const QString doc = home.file(QStringLiteral("残骸.wrn"));
    const QString name = TSingleInstance::ServerName(doc);
    {
        // A socket file with nobody behind it, as a killed instance leaves it.
        QLocalServer stale;
        ASSERT_TRUE(stale.listen(name));
        const QString socketPath = stale.fullServerName();
        stale.close();
        QFile(socketPath).open(QIODevice::WriteOnly);
    }
    TSingleInstance instance;
    EXPECT_EQ(instance.Claim(doc), TSingleInstance::Claimed);
}

TEST(SingleInstance, AnythingButTheMessageIsIgnored) {
    TestHome home;
    const QString doc = home.file(QStringLiteral("x.wrn"));
    TSingleInstance holder;
    QSignalSpy shown(&holder, &TSingleInstance::showRequested);
    ASSERT_TRUE(holder.Listen(doc));
    std::atomic<bool> done{false};
    QThread* thread = QThread::create([&] {
        QLocalSocket socket;
        socket.connectToServer(TSingleInstance::ServerName(doc));
        if (socket.waitForConnected(3000)) {
            socket.write("msgHideWrenDoc\n");
            socket.waitForBytesWritten(3000);
            socket.waitForDisconnected(3000);
        }
        done = true;
    });
    thread->start();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    thread->wait();
    delete thread;
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.count(), 0);
}
