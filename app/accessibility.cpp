#include "accessibility.h"

#include "commands.h"

#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QWidget>

namespace qn62 {

namespace {

// The groups of controls, named by the caption above them where the window
// has one. A control in no group is named by its caption alone.
struct Group
{
    const char *name;
    const char *members; // control names, separated by spaces
};

constexpr Group Groups[] = {
    {"POWER", "Command17 Command18"},
    {"INPUT MODE SET", "Command27 Command29"},
    {"MENU", "Command23 Command24"},
    {"SOUND MUTE", "Command19 Command20"},
    {"NO SHOW", "Command21 Command22"},
    {"FREEZE", "Command25 Command26"},
    {"AV Size", "Command31 Command32"},
    {"Zoom", "Command37 Command38"},
    {"Cursor", "Command5 Command9 Command6 Command8 Command7"},
    {"VOL", "Command1 Command2"},
    {"Brightness", "Command15 Command35"},
    {"D.Zoom", "Command48 Command49"},
    {"Keystone", "Command50 Command51"},
    {"R/C KEY OFF", "Command56 Command57 Command58"},
    {"Port", "Option1 Option2"},
    {"Speed", "Option9 Option10"},
    {"PC1", "Command64 Command65 Command66 Command69"},
    {"PC2", "Command72"},
    {"FAN SPEED", "Command97 Command98"},
    {"CMD", "Command95 Command96"},
    {"Logo", "Command60 Command61 Command63 Command67"},
};

// What the controls that send no fixed command do.
constexpr const char *Actions[][2] = {
    {"Command16", "Closes the port and quits"},
    {"Command33", "Shows the port panel: COM1 or COM2, 19200 or 9600 baud"},
    {"Command34", "Switches between the normal window and the data view"},
    {"Command95", "Sends the text of the Command box"},
    {"Command96", "Empties the Command box"},
    {"Option1", "Uses serial port COM1"},
    {"Option2", "Uses serial port COM2"},
    {"Option9", "Sets the line to 19200 baud"},
    {"Option10", "Sets the line to 9600 baud"},
    {"Text1", "A command to send as typed, upper case; SEND adds CR"},
    {"Image1", "Double-click it in the extended view to open the whole window"},
};

// The monitor lines and the captions beside them.
constexpr const char *Captioned[][2] = {{"Label9", "Label11"}, {"Label10", "Label12"}, {"Label23", "Label22"}};

// Arrow captions in words.
QString spoken(const QString &caption)
{
    static const QHash<QString, QString> words = {
        {QStringLiteral("↑"), QStringLiteral("up")},    {QStringLiteral("↓"), QStringLiteral("down")},
        {QStringLiteral("←"), QStringLiteral("left")},  {QStringLiteral("→"), QStringLiteral("right")}};
    return words.value(caption, caption);
}

} // namespace

void describePanel(const QHash<QString, QWidget *> &controls)
{
    const auto at = [&](const QString &name) {
        QWidget *w = controls.value(name);
        Q_ASSERT(w);
        return w;
    };
    const auto command = [&](int number) { return at(QStringLiteral("Command%1").arg(number)); };

    for (const Group &g : Groups) {
        for (const QString &name : QString::fromLatin1(g.members).split(QLatin1Char(' '))) {
            auto *b = static_cast<QAbstractButton *>(at(name));
            b->setAccessibleName(QString::fromUtf8(g.name) + QLatin1Char(' ') + spoken(b->text()));
        }
    }
    for (const ClickButton &row : ClickButtons)
        command(row.number)->setAccessibleDescription(QStringLiteral("Sends %1").arg(QLatin1String(row.code)));
    for (const HoldButton &row : HoldButtons)
        command(row.number)->setAccessibleDescription(
            QStringLiteral("Sends %1, again and again while held").arg(QLatin1String(row.code)));
    for (const auto &[name, action] : Actions)
        at(QString::fromLatin1(name))->setAccessibleDescription(QString::fromLatin1(action));

    at(QStringLiteral("Text1"))->setAccessibleName(QStringLiteral("Command"));
    at(QStringLiteral("Image1"))->setAccessibleName(QStringLiteral("QN62"));
    for (const auto &[caption, line] : Captioned)
        static_cast<QLabel *>(at(QString::fromLatin1(caption)))->setBuddy(at(QString::fromLatin1(line)));
}

} // namespace qn62
