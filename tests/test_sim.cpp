// The simulated projector's command interpreter, driven with injected time.

#include "sim/projector.h"

#include <QTest>

#include <functional>

using qn62::sim::Projector;
using Setup = std::function<void(Projector &)>;
using Check = std::function<bool(const Projector &)>;
using Power = Projector::Power;
using Level = Projector::Level;
using Switch = Projector::Switch;

struct Step
{
    QByteArray command;
    qint64 atMs;
    QByteArray reply;
};
using Script = QList<Step>;

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Check)
Q_DECLARE_METATYPE(Script)
Q_DECLARE_METATYPE(Projector::Level)

namespace {

const QByteArray kAck(1, Projector::kAck);
const QByteArray kNak(1, Projector::kNak);
constexpr qint64 kOnAt = Projector::kCountDownMs;
constexpr int kBothLamps = Projector::kLampNo1 | Projector::kLampNo2;

// Power on at time 0 and let the count-down run out.
void powerOn(Projector &p)
{
    p.handleCommand("C00", 0);
    p.advanceTo(kOnAt);
}

void send(Projector &p, const QByteArray &command)
{
    QCOMPARE(p.handleCommand(command, p.now()), kAck);
}

// Every query's answer, to see whether a command changed anything.
QByteArray allAnswers(Projector &p)
{
    QByteArray answers;
    for (const char *query : {"CR0", "CR1", "CR3", "CR4", "CR6", "CR7", "CRA", "CR PRESSURE"})
        answers += p.handleCommand(query, p.now());
    return answers;
}

} // namespace

class TestSim : public QObject
{
    Q_OBJECT

private slots:
    void queryReplies_data();
    void queryReplies();
    void temperatureLayout_data();
    void temperatureLayout();
    void powerSequence_data();
    void powerSequence();
    void lampHoursFollowLitTime();
    void levelsClamp_data();
    void levelsClamp();
    void stateCommands_data();
    void stateCommands();
    void everyOperationCodeIsAcknowledged();
    void rejected_data();
    void rejected();
};

void TestSim::queryReplies_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("query");
    QTest::addColumn<QByteArray>("reply");

    const auto row = [](const char *name, Setup setup, const char *query, const char *reply) {
        QTest::newRow(name) << setup << QByteArray(query) << QByteArray(reply);
    };
    const auto cool = [](Projector &p) { p.advanceTo(p.now() + Projector::kCoolingMs); };

    row("CR0 00 on", powerOn, "CR0", "00\r");
    row("CR0 80 standby", [](Projector &) {}, "CR0", "80\r");
    row("CR0 40 count-down", [](Projector &p) { p.handleCommand("C00", 0); p.advanceTo(kOnAt - 1); },
        "CR0", "40\r");
    row("CR0 20 cooling", [](Projector &p) { powerOn(p); send(p, "C01"); p.advanceTo(p.now() + Projector::kCoolingMs - 1); },
        "CR0", "20\r");
    row("CR0 10 power fail", [](Projector &p) { powerOn(p); p.setPowerFail(true); }, "CR0", "10\r");
    row("CR0 08 temperature", [](Projector &p) { powerOn(p); p.setTemperatureWarning(true); }, "CR0", "08\r");
    row("CR0 02 keys disabled", [](Projector &p) { powerOn(p); send(p, "CF KEYDIS KEY"); }, "CR0", "02\r");
    row("CR0 04 power management", [](Projector &p) { powerOn(p); p.setPowerSave(true); }, "CR0", "04\r");
    row("CR0 28 temperature, cooling", [](Projector &p) { powerOn(p); p.setTemperatureWarning(true); send(p, "C01"); },
        "CR0", "28\r");
    row("CR0 24 power management, cooling", [](Projector &p) { powerOn(p); p.setPowerSave(true); send(p, "C01"); },
        "CR0", "24\r");
    row("CR0 88 temperature, recovered", [cool](Projector &p) { powerOn(p); p.setTemperatureWarning(true); send(p, "C01"); cool(p); },
        "CR0", "88\r");
    row("CR0 21 all lamps failed", [](Projector &p) { powerOn(p); p.setFailedLamps(kBothLamps); }, "CR0", "21\r");
    row("CR0 21 the single lamp failed", [](Projector &p) { p.setLampMode(Projector::LampMode::SingleNo2); powerOn(p); p.setFailedLamps(Projector::kLampNo2); },
        "CR0", "21\r");
    row("CR0 81 lamps failed, standby", [cool](Projector &p) { powerOn(p); p.setFailedLamps(kBothLamps); cool(p); },
        "CR0", "81\r");

    row("CR1 1 computer 1", [](Projector &p) { send(p, "C07"); send(p, "C05"); }, "CR1", "1\r");
    row("CR1 1 source on input 1", [](Projector &p) { send(p, "C07"); send(p, "C34"); }, "CR1", "1\r");
    row("CR1 2 computer 2", [](Projector &p) { send(p, "C25"); }, "CR1", "2\r");
    row("CR1 3 video", [](Projector &p) { send(p, "C07"); }, "CR1", "3\r");
    row("CR1 4 input mode 4", [](Projector &p) { p.setInput(Projector::Input::Mode4); }, "CR1", "4\r");

    row("CR3 padded", [](Projector &p) { p.setLampHours(42); }, "CR3", "00042\r");
    row("CR3 clamped", [](Projector &p) { p.setLampHours(123456); }, "CR3", "99999\r");

    row("CR4 11 normal", [](Projector &p) { p.setReversal(false, false); }, "CR4", "11\r");
    row("CR4 10 top/bottom", [](Projector &p) { p.setReversal(true, false); }, "CR4", "10\r");
    row("CR4 01 left/right", [](Projector &p) { p.setReversal(false, true); }, "CR4", "01\r");
    row("CR4 00 both", [](Projector &p) { p.setReversal(true, true); }, "CR4", "00\r");

    using Mode = Projector::LampMode;
    row("CR7 00 dual, off", [](Projector &) {}, "CR7", "00\r");
    row("CR7 01 dual, No1 lit", [](Projector &p) { powerOn(p); p.setFailedLamps(Projector::kLampNo2); }, "CR7", "01\r");
    row("CR7 02 dual, No2 lit", [](Projector &p) { powerOn(p); p.setFailedLamps(Projector::kLampNo1); }, "CR7", "02\r");
    row("CR7 03 dual, both lit", powerOn, "CR7", "03\r");
    row("CR7 00 power management", [](Projector &p) { powerOn(p); p.setPowerSave(true); }, "CR7", "00\r");
    row("CR7 10 No1 only, off", [](Projector &p) { p.setLampMode(Mode::SingleNo1); }, "CR7", "10\r");
    row("CR7 11 No1 only, lit", [](Projector &p) { p.setLampMode(Mode::SingleNo1); powerOn(p); }, "CR7", "11\r");
    row("CR7 20 No2 only, off", [](Projector &p) { p.setLampMode(Mode::SingleNo2); }, "CR7", "20\r");
    row("CR7 22 No2 only, lit", [](Projector &p) { p.setLampMode(Mode::SingleNo2); powerOn(p); }, "CR7", "22\r");

    row("CR9 version", [](Projector &) {}, "CR9", "QN62 V1.40\r");

    row("CRA 00 no mute", powerOn, "CRA", "00\r");
    row("CRA 01 picture mute", [](Projector &p) { powerOn(p); send(p, "C0D"); }, "CRA", "01\r");
    row("CRA 02 sound mute", [](Projector &p) { powerOn(p); send(p, "C0B"); }, "CRA", "02\r");
    row("CRA 03 both", [](Projector &p) { powerOn(p); send(p, "C0B"); send(p, "C0D"); }, "CRA", "03\r");
    row("CRA 01 sound unmuted", [](Projector &p) { powerOn(p); send(p, "C0B"); send(p, "C0D"); send(p, "C0C"); },
        "CRA", "01\r");
    row("CRA 80 no signal", [](Projector &p) { powerOn(p); send(p, "C0D"); p.setNoSignal(true); }, "CRA", "80\r");
    row("CRA FF standby", [](Projector &p) { send(p, "C0D"); }, "CRA", "FF\r");

    row("pressure", [](Projector &p) { p.setPressure(512); }, "CR PRESSURE", "512\r");
    row("pressure zero", [](Projector &p) { p.setPressure(-3); }, "CR PRESSURE", "0\r");
    row("pressure clamped", [](Projector &p) { p.setPressure(5000); }, "CR PRESSURE", "1023\r");
}

void TestSim::queryReplies()
{
    QFETCH(Setup, setup);
    QFETCH(QByteArray, query);
    QFETCH(QByteArray, reply);

    Projector projector;
    setup(projector);
    QCOMPARE(projector.handleCommand(query, projector.now()), reply);
}

void TestSim::temperatureLayout_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::addColumn<int>("third");
    QTest::addColumn<QByteArrayList>("shown");

    QTest::newRow("usual") << 255 << 310 << 402 << QByteArrayList{"+25.5", "31.0", "+40.2"};
    QTest::newRow("small and negative") << -55 << 5 << -1 << QByteArrayList{"-05.5", "00.5", "-00.1"};
    QTest::newRow("out of range") << 2000 << -40 << -2000 << QByteArrayList{"+99.9", "00.0", "-99.9"};
}

void TestSim::temperatureLayout()
{
    QFETCH(int, first);
    QFETCH(int, second);
    QFETCH(int, third);
    QFETCH(QByteArrayList, shown);

    Projector projector;
    projector.setTemperatures({first, second, third});
    const QByteArray reply = projector.handleCommand("CR6", 0);
    QCOMPARE(reply.size(), 18);
    QCOMPARE(reply.back(), '\r');
    // The panel shows characters 1-5, 8-11 and 13-17.
    QCOMPARE(reply.mid(0, 5), shown.at(0));
    QCOMPARE(reply.mid(7, 4), shown.at(1));
    QCOMPARE(reply.mid(12, 5), shown.at(2));
    QCOMPARE(reply.mid(5, 2) + reply.mid(11, 1), QByteArray("   "));
}

void TestSim::powerSequence_data()
{
    QTest::addColumn<Script>("script");

    constexpr qint64 kCool = Projector::kCoolingMs;
    QTest::newRow("power on")
        << Script{{"C00", 1000, kAck}, {"CR0", 1000, "40\r"}, {"CR0", 1000 + kOnAt - 1, "40\r"},
                  {"CR0", 1000 + kOnAt, "00\r"}, {"CRA", 1000 + kOnAt, "00\r"}};
    QTest::newRow("power off")
        << Script{{"C00", 0, kAck}, {"C01", 30'000, kAck}, {"CR0", 30'000, "20\r"},
                  {"CR0", 30'000 + kCool - 1, "20\r"}, {"CR0", 30'000 + kCool, "80\r"},
                  {"CRA", 30'000 + kCool, "FF\r"}};
    QTest::newRow("power on again while on")
        << Script{{"C00", 0, kAck}, {"C00", kOnAt, kAck}, {"CR0", kOnAt, "00\r"}};
    QTest::newRow("power on ignored while cooling")
        << Script{{"C00", 0, kAck}, {"C01", kOnAt, kAck}, {"C00", kOnAt + 1000, kAck},
                  {"CR0", kOnAt + kCool - 1, "20\r"}, {"CR0", kOnAt + kCool, "80\r"}};
    QTest::newRow("power off during count-down")
        << Script{{"C00", 0, kAck}, {"C01", 5000, kAck}, {"CR0", 5000, "20\r"},
                  {"CR0", 5000 + kCool, "80\r"}};
    QTest::newRow("queried long after")
        << Script{{"C00", 0, kAck}, {"CR0", 1'000'000, "00\r"}, {"C01", 1'000'000, kAck},
                  {"CR0", 9'000'000, "80\r"}};
    QTest::newRow("time running backwards is ignored")
        << Script{{"C00", 10'000, kAck}, {"CR0", 0, "40\r"}, {"CR0", 10'000 + kOnAt, "00\r"}};
}

void TestSim::powerSequence()
{
    QFETCH(Script, script);

    Projector projector;
    for (const Step &step : script)
        QCOMPARE(projector.handleCommand(step.command, step.atMs), step.reply);
}

void TestSim::lampHoursFollowLitTime()
{
    constexpr qint64 kHour = Projector::kMsPerHour;
    Projector projector;
    projector.setLampHours(10);
    projector.handleCommand("C00", 0); // the lamps light for the count-down already
    QCOMPARE(projector.handleCommand("CR3", 2 * kHour), QByteArray("00012\r"));
    projector.handleCommand("C01", 2 * kHour);
    QCOMPARE(projector.handleCommand("CR3", 5 * kHour), QByteArray("00012\r"));

    projector.handleCommand("C00", 5 * kHour);
    projector.advanceTo(6 * kHour);
    projector.setPowerSave(true);
    QCOMPARE(projector.handleCommand("CR3", 9 * kHour), QByteArray("00013\r"));
    projector.setPowerSave(false);
    projector.setFailedLamps(Projector::kLampNo1); // one lamp left, still lit
    QCOMPARE(projector.handleCommand("CR3", 10 * kHour), QByteArray("00014\r"));
}

void TestSim::levelsClamp_data()
{
    QTest::addColumn<QByteArray>("up");
    QTest::addColumn<QByteArray>("down");
    QTest::addColumn<Level>("level");

    QTest::newRow("volume") << QByteArray("C09") << QByteArray("C0A") << Level::Volume;
    QTest::newRow("brightness") << QByteArray("C20") << QByteArray("C21") << Level::Brightness;
    QTest::newRow("zoom") << QByteArray("C46") << QByteArray("C47") << Level::Zoom;
    QTest::newRow("digital zoom") << QByteArray("C30") << QByteArray("C31") << Level::DigitalZoom;
    QTest::newRow("keystone") << QByteArray("C8E") << QByteArray("C8F") << Level::Keystone;
}

void TestSim::levelsClamp()
{
    QFETCH(QByteArray, up);
    QFETCH(QByteArray, down);
    QFETCH(Level, level);

    Projector projector;
    const int max = Projector::levelMax(level);
    const int min = Projector::levelMin(level);
    QVERIFY(min < max);
    for (int i = 0; i <= max - min; ++i)
        send(projector, up);
    send(projector, up);
    QCOMPARE(projector.level(level), max);
    send(projector, down);
    QCOMPARE(projector.level(level), max - 1);
    for (int i = 0; i <= max - min; ++i)
        send(projector, down);
    QCOMPARE(projector.level(level), min);
    send(projector, up);
    QCOMPARE(projector.level(level), min + 1);
}

void TestSim::stateCommands_data()
{
    QTest::addColumn<QByteArrayList>("commands");
    QTest::addColumn<Check>("check");

    using P = Projector;
    const auto row = [](const char *name, QByteArrayList commands, Check check) {
        QTest::newRow(name) << commands << check;
    };
    row("freeze off", {"C43", "C44"}, [](const P &p) { return !p.isOn(Switch::Freeze); });
    row("menu", {"C1C"}, [](const P &p) { return p.isOn(Switch::Menu) && !p.isOn(Switch::Freeze); });
    row("wide", {"C10"}, [](const P &p) { return p.aspect() == P::Aspect::Wide; });
    row("cursor keys keep the mode", {"C1E", "C3A", "C3F"}, [](const P &p) { return p.pictureMode() == 0x1E; });
    row("source on input 1", {"C25", "C51"},
        [](const P &p) { return p.input() == P::Input::Computer1 && p.source() == 0x51; });
    row("source on input 2", {"C25"},
        [](const P &p) { return p.input() == P::Input::Computer2 && p.source() == 0x25; });
    row("keys enabled again", {"CF KEYDIS KEY", "CF KEYDIS NONE"},
        [](const P &p) { return p.keyLock() == P::KeyLock::None; });
    row("fan back to normal", {"CF FANSPEED MAX", "CF FANSPEED NOR"},
        [](const P &p) { return p.fanSpeed() == P::FanSpeed::Normal; });
    row("user logo", {"CF LOGOCAPTURE START", "CF LOGO USER"},
        [](const P &p) { return p.userLogoCaptured() && p.logo() == P::Logo::User; });
}

void TestSim::stateCommands()
{
    QFETCH(QByteArrayList, commands);
    QFETCH(Check, check);

    Projector projector;
    for (const QByteArray &command : commands)
        send(projector, command);
    QVERIFY(check(projector));
}

void TestSim::everyOperationCodeIsAcknowledged()
{
    Projector projector;
    for (int code = 0; code < 256; ++code) {
        const QByteArray command = "C" + QByteArray::number(code, 16).toUpper().rightJustified(2, '0');
        QCOMPARE(projector.handleCommand(command, 0), kAck);
    }
}

void TestSim::rejected_data()
{
    QTest::addColumn<QByteArray>("command");

    for (const char *command :
         {"", "c00", "cr0", "C0", "C000", "C0G", "C0b", " C00", "C 00", "CR", "CR2", "CRa", "CRAA",
          "CR PRESSUR", "CR PRESSURE ", "CF", "CF ", "CF KEYDIS", "CF KEYDIS ALL", "CF KEYDIS RC KEY",
          "CF keydis RC", "CF LOGOCAPTURE STOP", "CF POWER ON", "X"})
        QTest::addRow("\"%s\"", command) << QByteArray(command);
}

void TestSim::rejected()
{
    QFETCH(QByteArray, command);

    Projector projector;
    powerOn(projector);
    const QByteArray before = allAnswers(projector);
    QCOMPARE(projector.handleCommand(command, projector.now()), kNak);
    QCOMPARE(allAnswers(projector), before);
}

QTEST_GUILESS_MAIN(TestSim)
#include "test_sim.moc"
