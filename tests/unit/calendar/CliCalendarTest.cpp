// Runs the built wrennote-cli (path in WRENNOTE_CLI) end to end.
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int code = -1;
    QString out, err;
};

CliRun cli(const QStringList& args) {
    QProcess p;
    p.start(qEnvironmentVariable("WRENNOTE_CLI"), QStringList{QStringLiteral("calendar")} + args);
    CliRun r;
    if (!p.waitForFinished(60000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

TEST(CliCalendar, OneLinePerDay) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("WRENNOTE_CLI"));
    const CliRun r = cli({QStringLiteral("2010-03-20"), QStringLiteral("2010-03-22")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("2010-03-20\t2455276\t7\t2\t\t2\t5\t赤口\n"
                                    "2010-03-21\t2455277\t1\t5\t春分の日\t2\t6\t先勝\n"
                                    "2010-03-22\t2455278\t2\t8\t振替休日\t2\t7\t友引\n"));
}

TEST(CliCalendar, OldCalendarEdgesAndTheReform) {
    CliRun r = cli({QStringLiteral("1989-12-27"), QStringLiteral("1989-12-28")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("1989-12-27\t2447888\t4\t0\t\t0\t0\t不明\n"
                                    "1989-12-28\t2447889\t5\t0\t\t12\t1\t赤口\n"));
    r = cli({QStringLiteral("1582-10-04"), QStringLiteral("1582-10-15")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("1582-10-04\t2299160\t5\t0\t\t0\t0\t不明\n"
                                    "1582-10-15\t2299161\t6\t0\t\t0\t0\t不明\n"));
}

TEST(CliCalendar, MonthGrid) {
    const CliRun r = cli({QStringLiteral("--month"), QStringLiteral("2021-05")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("2021-05\trows\t7\n"
                                    "日\t月\t火\t水\t木\t金\t土\n"
                                    "(25)\t(26)\t(27)\t(28)\t(29)\t(30)\t1\n"
                                    "2\t3\t4\t5\t6\t7\t8\n"
                                    "9\t10\t11\t12\t13\t14\t15\n"
                                    "16\t17\t18\t19\t20\t21\t22\n"
                                    "23\t24\t25\t26\t27\t28\t29\n"
                                    "30\t31\t(1)\t(2)\t(3)\t(4)\t(5)\n"));
}

TEST(CliCalendar, FarDaysAndBadArguments) {
    CliRun r = cli({QStringLiteral("-4713-01-01"), QStringLiteral("-4712-01-02")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("-4713-01-01\t-365\t")));
    EXPECT_TRUE(r.out.endsWith(QStringLiteral("-4712-01-02\t1\t3\t0\t\t0\t0\t不明\n")));
    r = cli({QStringLiteral("--month"), QStringLiteral("5000000-12")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();

    for (const QStringList& args :
         {QStringList{QStringLiteral("1582-10-10"), QStringLiteral("1582-10-20")},
          QStringList{QStringLiteral("2021-02-29"), QStringLiteral("2021-03-01")},
          QStringList{QStringLiteral("2021-03-02"), QStringLiteral("2021-03-01")},
          QStringList{QStringLiteral("2021-03-02")},
          QStringList{QStringLiteral("--month"), QStringLiteral("2021-13")},
          QStringList{QStringLiteral("--month"), QStringLiteral("9999999-01")},
          QStringList{QStringLiteral("--month"), QStringLiteral("x")}}) {
        r = cli(args);
        EXPECT_EQ(r.code, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_FALSE(r.err.isEmpty());
    }
}
