// The application object as the program makes it: Qt's own dialogs date
// files the Japanese way, and programs started from ours keep the user's
// environment.
#include <QDateTime>
#include <QLocale>

#include <cstdlib>

#include <gtest/gtest.h>

TEST(SystemLocale, QtsOwnDatesAreJapaneseAndTheEnvironmentIsTheUsers) {
    const QDateTime when(QDate(2026, 12, 8), QTime(9, 5));
    // As the file dialog writes a file's date.
    EXPECT_EQ(QLocale::system().toString(when, QLocale::ShortFormat),
              QStringLiteral("2026/12/08 9:05"));
    EXPECT_EQ(std::getenv("LC_TIME"), nullptr) << "the test entry does not set it";
}
