#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>

namespace qn62::sim {

// The QN62's command interpreter and the state behind it, with no I/O.
//
// Time never comes from a clock in here: handleCommand() and advanceTo()
// take the current time in milliseconds, and the timed phases (count-down,
// cooling down) and the lamp hours follow it. The setters act at now(), the
// time of the last call that passed one, so tests and demos can put the
// projector into any state, faults included.
class Projector
{
public:
    enum class Power { Standby, CountDown, On, Cooling };
    enum class Input { Computer1 = 1, Computer2 = 2, Video = 3, Mode4 = 4 };
    // Which lamps the projector uses: both, or only lamp No1 or No2.
    enum class LampMode { Dual, SingleNo1, SingleNo2 };
    // Settings stepped up and down by operation commands, each clamped to
    // [levelMin(), levelMax()].
    enum class Level { Volume, Brightness, Zoom, DigitalZoom, Keystone };
    enum class Switch { SoundMute, PictureMute, Freeze, Menu };
    enum class Aspect { Regular, Wide };
    enum class KeyLock { None, Remote, Panel };
    enum class FanSpeed { Normal, Max };
    enum class Logo { Off, Default, User };

    static constexpr char kAck = 0x06;
    static constexpr char kNak = 0x15;
    static constexpr qint64 kCountDownMs = 20'000;
    static constexpr qint64 kCoolingMs = 30'000;
    static constexpr qint64 kMsPerHour = 3'600'000;
    static constexpr int kInitialLampHours = 1234;
    static constexpr int kMaxLampHours = 99'999;
    // Lamp bits as used by failedLamps() and litLamps().
    static constexpr int kLampNo1 = 1;
    static constexpr int kLampNo2 = 2;
    static constexpr int kMaxPressure = 1023;
    // Temperatures are kept in tenths of a degree. The first and third
    // readings are reported with a sign, the second without one.
    static constexpr int kMaxTemperature = 999;
    static constexpr const char *kVersion = "QN62 V1.40";

    Projector();

    // Runs one command (without its CR) at time nowMs and returns the
    // complete reply: ACK, NAK, or query text ending in CR.
    QByteArray handleCommand(const QByteArray &command, qint64 nowMs);
    // Lets time pass up to nowMs, finishing timed phases on the way.
    // Time never runs backwards: an earlier nowMs changes nothing.
    void advanceTo(qint64 nowMs);
    qint64 now() const { return m_nowMs; }

    Power power() const { return m_power; }
    // Enters the given power phase at now(); count-down and cooling down
    // then run their full length.
    void setPower(Power power);
    // How long count-down and cooling down last from their next start
    // (kCountDownMs and kCoolingMs unless changed).
    void setPhaseLengths(qint64 countDownMs, qint64 coolingMs);

    Input input() const { return m_input; }
    void setInput(Input input) { m_input = input; }
    // Code of the last operation command that picked a source (C50, C25...),
    // 0 if none did.
    quint8 source() const { return m_source; }
    quint8 pictureMode() const { return m_pictureMode; }

    LampMode lampMode() const { return m_lampMode; }
    void setLampMode(LampMode mode);
    int failedLamps() const { return m_failedLamps; }
    // Failing every lamp in use while the lamps are lit starts cooling down.
    void setFailedLamps(int lamps);
    int litLamps() const;
    int lampHours() const;
    void setLampHours(int hours);

    int level(Level level) const;
    void setLevel(Level level, int value);
    static int levelMin(Level level);
    static int levelMax(Level level);

    bool isOn(Switch s) const { return m_switches[index(s)]; }
    void setSwitch(Switch s, bool on) { m_switches[index(s)] = on; }

    Aspect aspect() const { return m_aspect; }
    KeyLock keyLock() const { return m_keyLock; }
    void setKeyLock(KeyLock lock) { m_keyLock = lock; }
    FanSpeed fanSpeed() const { return m_fanSpeed; }
    Logo logo() const { return m_logo; }
    bool userLogoCaptured() const { return m_userLogoCaptured; }

    bool temperatureWarning() const { return m_temperatureWarning; }
    void setTemperatureWarning(bool on) { m_temperatureWarning = on; }
    // A failed supply drops the projector to standby and keeps it there.
    bool powerFail() const { return m_powerFail; }
    void setPowerFail(bool on);
    // Power management has switched the lamps off although the projector
    // is on (or is cooling down because of it).
    bool powerSave() const { return m_powerSave; }
    void setPowerSave(bool on) { m_powerSave = on; }
    bool noSignal() const { return m_noSignal; }
    void setNoSignal(bool on) { m_noSignal = on; }

    bool topBottomReversed() const { return m_topBottomReversed; }
    bool leftRightReversed() const { return m_leftRightReversed; }
    void setReversal(bool topBottom, bool leftRight);

    std::array<int, 3> temperatures() const { return m_temperatures; }
    // Clamps each reading to what its reply field can show.
    void setTemperatures(const std::array<int, 3> &tenths);
    int pressure() const { return m_pressure; }
    void setPressure(int pressure);

private:
    static constexpr int kLevels = 5;
    static constexpr int kSwitches = 4;

    template <typename E>
    static constexpr int index(E e) { return static_cast<int>(e); }

    QByteArray operate(quint8 code);
    void operateStep(quint8 code);
    QByteArray function(const QByteArray &words);
    QByteArray query(char what) const;
    QByteArray powerStatus() const;
    QByteArray muteStatus() const;
    QByteArray temperatureText() const;

    void startPhase(Power power);
    void runUntil(qint64 ms);
    int usableLamps() const;
    void checkLamps();

    qint64 m_nowMs = 0;
    qint64 m_phaseEndMs = 0;
    qint64 m_countDownMs = kCountDownMs;
    qint64 m_coolingMs = kCoolingMs;
    qint64 m_lampMs = kInitialLampHours * kMsPerHour;
    Power m_power = Power::Standby;
    Input m_input = Input::Computer1;
    quint8 m_source = 0;
    quint8 m_pictureMode = 0;
    LampMode m_lampMode = LampMode::Dual;
    int m_failedLamps = 0;
    std::array<int, kLevels> m_levels{};
    std::array<bool, kSwitches> m_switches{};
    Aspect m_aspect = Aspect::Regular;
    KeyLock m_keyLock = KeyLock::None;
    FanSpeed m_fanSpeed = FanSpeed::Normal;
    Logo m_logo = Logo::Default;
    bool m_userLogoCaptured = false;
    bool m_temperatureWarning = false;
    bool m_powerFail = false;
    bool m_powerSave = false;
    bool m_noSignal = false;
    bool m_topBottomReversed = false;
    bool m_leftRightReversed = false;
    std::array<int, 3> m_temperatures{255, 310, 402};
    int m_pressure = 512;
};

} // namespace qn62::sim
