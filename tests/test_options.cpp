#include "options.h"

#include <QtTest>

using namespace qn62;

class OptionsTest : public QObject
{
    Q_OBJECT
private slots:
    void accepted_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("com1");
        QTest::addColumn<QString>("com2");
        QTest::addColumn<bool>("demo");
        QTest::newRow("defaults") << QStringList{} << "/dev/ttyS0" << "/dev/ttyS1" << false;
        QTest::newRow("separate value") << QStringList{"--com1", "/dev/ttyUSB0"} << "/dev/ttyUSB0" << "/dev/ttyS1" << false;
        QTest::newRow("joined value") << QStringList{"--com2=/dev/pts/3", "--demo"} << "/dev/ttyS0" << "/dev/pts/3" << true;
        QTest::newRow("path that looks like an option") << QStringList{"--com1", "--demo"} << "--demo" << "/dev/ttyS1" << false;
    }
    void accepted()
    {
        QFETCH(QStringList, args);
        const ParsedOptions parsed = parseOptions(args);
        QVERIFY2(parsed.error.isEmpty(), qPrintable(parsed.error));
        QTEST(parsed.options.com1, "com1");
        QTEST(parsed.options.com2, "com2");
        QTEST(parsed.options.demo, "demo");
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("unknown") << QStringList{"--speed"} << "--speed";
        QTest::newRow("missing value") << QStringList{"--com1"} << "--com1";
        QTest::newRow("empty value") << QStringList{"--com2="} << "--com2";
        QTest::newRow("value on a flag") << QStringList{"--demo=yes"} << "--demo";
        QTest::newRow("bare word") << QStringList{"ttyS0"} << "ttyS0";
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, mentions);
        const ParsedOptions parsed = parseOptions(args);
        QVERIFY(parsed.error.contains(mentions));
    }

    // The program itself: an unknown option is a message and status 2.
    void programExitStatus()
    {
        QProcess p;
        p.start(QCoreApplication::applicationDirPath() + "/qn62-control", {"--bogus"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(p.readAllStandardError().contains("--bogus"));
        p.start(QCoreApplication::applicationDirPath() + "/qn62-control", {"--help"});
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(p.readAllStandardOutput().contains("--com1"));
    }
};

QTEST_GUILESS_MAIN(OptionsTest)
#include "test_options.moc"
