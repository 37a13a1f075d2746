#include "sim/projector.h"

#include <QList>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>

namespace qn62::sim {

namespace {

using Level = Projector::Level;
using Switch = Projector::Switch;

struct LevelRange
{
    int min;
    int max;
    int initial;
};

// Indexed by Projector::Level.
constexpr LevelRange kLevelRanges[] = {
    {0, 40, 20},  // Volume
    {0, 63, 32},  // Brightness
    {0, 40, 20},  // Zoom
    {0, 16, 0},   // DigitalZoom
    {-30, 30, 0}, // Keystone
};

struct LevelStep
{
    quint8 code;
    Level level;
    int delta;
};

constexpr LevelStep kLevelSteps[] = {
    {0x09, Level::Volume, +1},      {0x0A, Level::Volume, -1},
    {0x20, Level::Brightness, +1},  {0x21, Level::Brightness, -1},
    {0x47, Level::Zoom, +1},        {0x46, Level::Zoom, -1},
    {0x30, Level::DigitalZoom, +1}, {0x31, Level::DigitalZoom, -1},
    {0x8E, Level::Keystone, +1},    {0x8F, Level::Keystone, -1},
};

struct SwitchCommand
{
    quint8 code;
    Switch target;
    bool on;
};

constexpr SwitchCommand kSwitchCommands[] = {
    {0x0B, Switch::SoundMute, true},   {0x0C, Switch::SoundMute, false},
    {0x0D, Switch::PictureMute, true}, {0x0E, Switch::PictureMute, false},
    {0x43, Switch::Freeze, true},      {0x44, Switch::Freeze, false},
    {0x1C, Switch::Menu, true},        {0x1D, Switch::Menu, false},
};

constexpr quint8 kPictureModes[] = {0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                                    0x18, 0x19, 0x27, 0x89, 0x8A, 0x1E};

template <typename E>
using Words = std::pair<const char *, E>;

constexpr Words<Projector::KeyLock> kKeyLockWords[] = {
    {"NONE", Projector::KeyLock::None},
    {"RC", Projector::KeyLock::Remote},
    {"KEY", Projector::KeyLock::Panel},
};
constexpr Words<Projector::FanSpeed> kFanSpeedWords[] = {
    {"NOR", Projector::FanSpeed::Normal},
    {"MAX", Projector::FanSpeed::Max},
};
constexpr Words<Projector::Logo> kLogoWords[] = {
    {"OFF", Projector::Logo::Off},
    {"DEFAULT", Projector::Logo::Default},
    {"USER", Projector::Logo::User},
};

template <typename E, std::size_t N>
std::optional<E> lookup(const Words<E> (&table)[N], const QByteArray &word)
{
    for (const auto &[text, value] : table) {
        if (word == text)
            return value;
    }
    return std::nullopt;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

QByteArray ack()
{
    return QByteArray(1, Projector::kAck);
}

QByteArray nak()
{
    return QByteArray(1, Projector::kNak);
}

// "dd.d", or "+dd.d"/"-dd.d" when withSign.
QByteArray reading(int tenths, bool withSign)
{
    const int magnitude = std::abs(tenths);
    QByteArray text = QByteArray::number(magnitude / 10).rightJustified(2, '0') + '.'
                      + QByteArray::number(magnitude % 10);
    if (withSign)
        text.prepend(tenths < 0 ? '-' : '+');
    return text;
}

} // namespace

Projector::Projector()
{
    for (int i = 0; i < kLevels; ++i)
        m_levels[i] = kLevelRanges[i].initial;
}

QByteArray Projector::handleCommand(const QByteArray &command, qint64 nowMs)
{
    advanceTo(nowMs);
    if (command.startsWith("CF "))
        return function(command.mid(3));
    if (command == "CR PRESSURE")
        return QByteArray::number(m_pressure) + '\r';
    if (command.size() == 3 && command.startsWith("CR"))
        return query(command.at(2));
    if (command.size() == 3 && command.at(0) == 'C' && isHexDigit(command.at(1))
        && isHexDigit(command.at(2)))
        return operate(static_cast<quint8>(command.mid(1).toUInt(nullptr, 16)));
    return nak();
}

void Projector::advanceTo(qint64 nowMs)
{
    while ((m_power == Power::CountDown || m_power == Power::Cooling) && m_phaseEndMs <= nowMs) {
        runUntil(m_phaseEndMs);
        m_power = m_power == Power::CountDown ? Power::On : Power::Standby;
    }
    runUntil(nowMs);
}

void Projector::runUntil(qint64 ms)
{
    if (ms <= m_nowMs)
        return;
    if (litLamps() != 0)
        m_lampMs += ms - m_nowMs;
    m_nowMs = ms;
}

QByteArray Projector::operate(quint8 code)
{
    switch (code) {
    case 0x00:
        if (m_power == Power::Standby && !m_powerFail && usableLamps() != 0)
            startPhase(Power::CountDown);
        break;
    case 0x01:
        if (m_power == Power::CountDown || m_power == Power::On)
            startPhase(Power::Cooling);
        break;
    case 0x05:
        m_input = Input::Computer1;
        break;
    case 0x07:
        m_input = Input::Video;
        break;
    case 0x50:
    case 0x51:
    case 0x54:
    case 0x34:
        m_input = Input::Computer1;
        m_source = code;
        break;
    case 0x25:
        m_input = Input::Computer2;
        m_source = code;
        break;
    case 0x0F:
        m_aspect = Aspect::Regular;
        break;
    case 0x10:
        m_aspect = Aspect::Wide;
        break;
    default:
        operateStep(code);
        break;
    }
    return ack();
}

// Steps a level, flips a switch or picks a picture mode. Cursor keys and
// every other operation code are acknowledged without a visible effect.
void Projector::operateStep(quint8 code)
{
    for (const LevelStep &step : kLevelSteps) {
        if (step.code == code)
            setLevel(step.level, level(step.level) + step.delta);
    }
    for (const SwitchCommand &command : kSwitchCommands) {
        if (command.code == code)
            setSwitch(command.target, command.on);
    }
    if (std::find(std::begin(kPictureModes), std::end(kPictureModes), code)
        != std::end(kPictureModes))
        m_pictureMode = code;
}

QByteArray Projector::function(const QByteArray &words)
{
    const QList<QByteArray> parts = words.simplified().split(' ');
    if (parts.size() != 2)
        return nak();
    const QByteArray &name = parts.at(0);
    const QByteArray &argument = parts.at(1);

    if (name == "KEYDIS") {
        if (const auto lock = lookup(kKeyLockWords, argument)) {
            m_keyLock = *lock;
            return ack();
        }
    } else if (name == "FANSPEED") {
        if (const auto speed = lookup(kFanSpeedWords, argument)) {
            m_fanSpeed = *speed;
            return ack();
        }
    } else if (name == "LOGO") {
        if (const auto logo = lookup(kLogoWords, argument)) {
            m_logo = *logo;
            return ack();
        }
    } else if (name == "LOGOCAPTURE" && argument == "START") {
        m_userLogoCaptured = true;
        return ack();
    }
    return nak();
}

QByteArray Projector::query(char what) const
{
    switch (what) {
    case '0':
        return powerStatus() + '\r';
    case '1':
        return QByteArray::number(index(m_input)) + '\r';
    case '3':
        return QByteArray::number(lampHours()).rightJustified(5, '0') + '\r';
    case '4':
        return QByteArray(m_leftRightReversed ? "0" : "1") + (m_topBottomReversed ? "0" : "1")
               + '\r';
    case '6':
        return temperatureText() + '\r';
    case '7': {
        const char mode = m_lampMode == LampMode::Dual ? '0'
                          : m_lampMode == LampMode::SingleNo1 ? '1'
                                                               : '2';
        return QByteArray(1, mode) + char('0' + litLamps()) + '\r';
    }
    case '9':
        return QByteArray(kVersion) + '\r';
    case 'A':
        return muteStatus() + '\r';
    default:
        return nak();
    }
}

QByteArray Projector::powerStatus() const
{
    if (m_powerFail)
        return "10";
    const bool lampsGone = usableLamps() == 0;
    switch (m_power) {
    case Power::Standby:
        return m_temperatureWarning ? "88" : lampsGone ? "81" : "80";
    case Power::CountDown:
        return "40";
    case Power::Cooling:
        return m_temperatureWarning ? "28" : lampsGone ? "21" : m_powerSave ? "24" : "20";
    case Power::On:
        break;
    }
    return m_temperatureWarning ? "08"
           : m_powerSave        ? "04"
           : m_keyLock != KeyLock::None ? "02"
                                        : "00";
}

QByteArray Projector::muteStatus() const
{
    if (m_power != Power::On)
        return "FF";
    if (m_noSignal)
        return "80";
    const int mutes = (isOn(Switch::PictureMute) ? 1 : 0) | (isOn(Switch::SoundMute) ? 2 : 0);
    return QByteArray("0") + char('0' + mutes);
}

// Laid out so that characters 1-5, 8-11 and 13-17 each hold one reading:
// "+25.5  31.0 +40.2".
QByteArray Projector::temperatureText() const
{
    return reading(m_temperatures[0], true) + "  " + reading(m_temperatures[1], false) + ' '
           + reading(m_temperatures[2], true);
}

void Projector::setPower(Power power)
{
    startPhase(power);
    checkLamps();
}

void Projector::setPhaseLengths(qint64 countDownMs, qint64 coolingMs)
{
    m_countDownMs = countDownMs;
    m_coolingMs = coolingMs;
}

void Projector::startPhase(Power power)
{
    m_power = power;
    if (power == Power::CountDown)
        m_phaseEndMs = m_nowMs + m_countDownMs;
    else if (power == Power::Cooling)
        m_phaseEndMs = m_nowMs + m_coolingMs;
}

int Projector::usableLamps() const
{
    const int used = m_lampMode == LampMode::Dual        ? kLampNo1 | kLampNo2
                     : m_lampMode == LampMode::SingleNo1 ? kLampNo1
                                                         : kLampNo2;
    return used & ~m_failedLamps;
}

int Projector::litLamps() const
{
    const bool lit = (m_power == Power::CountDown || m_power == Power::On) && !m_powerSave;
    return lit ? usableLamps() : 0;
}

void Projector::checkLamps()
{
    if (usableLamps() == 0 && (m_power == Power::CountDown || m_power == Power::On))
        startPhase(Power::Cooling);
}

void Projector::setLampMode(LampMode mode)
{
    m_lampMode = mode;
    checkLamps();
}

void Projector::setFailedLamps(int lamps)
{
    m_failedLamps = lamps & (kLampNo1 | kLampNo2);
    checkLamps();
}

int Projector::lampHours() const
{
    return static_cast<int>(std::min<qint64>(m_lampMs / kMsPerHour, kMaxLampHours));
}

void Projector::setLampHours(int hours)
{
    m_lampMs = std::clamp(hours, 0, kMaxLampHours) * kMsPerHour;
}

int Projector::level(Level level) const
{
    return m_levels[index(level)];
}

void Projector::setLevel(Level level, int value)
{
    m_levels[index(level)] = std::clamp(value, levelMin(level), levelMax(level));
}

int Projector::levelMin(Level level)
{
    return kLevelRanges[index(level)].min;
}

int Projector::levelMax(Level level)
{
    return kLevelRanges[index(level)].max;
}

void Projector::setPowerFail(bool on)
{
    m_powerFail = on;
    if (on)
        m_power = Power::Standby;
}

void Projector::setReversal(bool topBottom, bool leftRight)
{
    m_topBottomReversed = topBottom;
    m_leftRightReversed = leftRight;
}

void Projector::setTemperatures(const std::array<int, 3> &tenths)
{
    m_temperatures[0] = std::clamp(tenths[0], -kMaxTemperature, kMaxTemperature);
    m_temperatures[1] = std::clamp(tenths[1], 0, kMaxTemperature);
    m_temperatures[2] = std::clamp(tenths[2], -kMaxTemperature, kMaxTemperature);
}

void Projector::setPressure(int pressure)
{
    m_pressure = std::clamp(pressure, 0, kMaxPressure);
}

} // namespace qn62::sim
