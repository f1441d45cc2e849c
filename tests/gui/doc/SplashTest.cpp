#include "shell/Splash.h"

#include <QCoreApplication>
#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

TEST(Splash, TextsOfTheStartUpWindow) {
    TFormSplash splash;
    EXPECT_EQ(splash.windowTitle(), QStringLiteral("WrenNOTE を起動しています"));
    EXPECT_EQ(splash.LabelVersion->text(), QStringLiteral("ver.1.66"));
    EXPECT_TRUE(splash.LabelBeta->text().isEmpty());
    splash.show();
    splash.SetProgress(QStringLiteral("起動処理中"));
    EXPECT_EQ(splash.Progress(), QStringLiteral("起動処理中"));
}

TEST(Splash, HidesWhenItLosesActivation) {
    TFormSplash splash;
    splash.show();
    QCoreApplication::processEvents();
    QWidget other;
    other.show();
    other.activateWindow();
    for (int i = 0; i < 50 && splash.isVisible(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(splash.isVisible());
}
