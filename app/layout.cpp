#include "layout.h"

#include <iterator>

namespace qn62::layout {

namespace {

// The colours of the window, named after how they look.
constexpr QRgb Grey = WindowColour;
constexpr QRgb White = 0xFFFFFF;
constexpr QRgb PaleGreen = 0xC0FFC0;
constexpr QRgb PalePink = 0xFFC0C0;
constexpr QRgb PaleCyan = 0xC0FFFF;
constexpr QRgb Peach = 0xFFE0C0;
constexpr QRgb LightOrange = 0xFFC080;
constexpr QRgb Orange = 0xFF8000;
constexpr QRgb Teal = 0x00C0C0;
constexpr QRgb Lavender = 0xC0C0FF;
constexpr QRgb Red = 0xFF0000;
constexpr QRgb DarkRed = 0xC00000;

// The container of the controls that sit on the window itself.
constexpr const char *Window = nullptr;

// One row per kind of control. Frames, labels and options are grey like the
// window; a frame has no caption, a text box is white and empty.
constexpr Control frame(const char *name, const char *in, int left, int top, int width, int height, Font font, int tab)
{
    return {name, Frame, nullptr, in, left, top, width, height, Grey, font, tab, 0, 0};
}

constexpr Control label(const char *name, const char *caption, const char *in, int left, int top, int width,
                        int height, Font font, int tab, Flags alignment)
{
    return {name, Label, caption, in, left, top, width, height, Grey, font, tab, alignment, 0};
}

// A line of the traffic monitor: white, bordered, its text set by the panel.
constexpr Control monitorLine(const char *name, const char *in, int left, int top, int width, int height, Font font,
                              int tab)
{
    return {name, Label, nullptr, in, left, top, width, height, White, font, tab, Left | Bordered, 0};
}

constexpr Control button(const char *name, const char *caption, const char *in, int left, int top, int width,
                         int height, QRgb colour, Font font, int tab)
{
    return {name, Button, caption, in, left, top, width, height, colour, font, tab, 0, 0};
}

constexpr Control option(const char *name, const char *caption, const char *in, int left, int top, int width,
                         int height, Font font, int tab)
{
    return {name, Option, caption, in, left, top, width, height, Grey, font, tab, 0, 0};
}

constexpr Control textBox(const char *name, const char *in, int left, int top, int width, int height, Font font,
                          int tab)
{
    return {name, TextBox, nullptr, in, left, top, width, height, White, font, tab, 0, 0};
}

// Positions are relative to the container.
constexpr Control ControlRows[] = {
    // upper panel, first row: power, input, menu
    frame("Frame1", Window, 120, 240, 1695, 975, F5, 0),
    label("Label1", "POWER", "Frame1", 240, 240, 1095, 255, F0, 2, Centre).inTextColour(DarkRed),
    button("Command17", "ON", "Frame1", 120, 600, 615, 300, PaleGreen, F7, 1),
    button("Command18", "OFF", "Frame1", 960, 600, 615, 300, PalePink, F7, 27),
    frame("Frame2", Window, 2520, 240, 2295, 975, F5, 3),
    label("Label2", "INPUT MODE SET", "Frame2", 240, 240, 1935, 255, F0, 4, Centre),
    button("Command27", "PC1", "Frame2", 360, 600, 495, 300, PaleCyan, F7, 36),
    button("Command29", "Video", "Frame2", 1320, 600, 735, 300, PaleCyan, F7, 37),
    frame("Frame6", Window, 5520, 240, 1695, 975, F5, 14),
    label("Label7", "MENU", "Frame6", 360, 240, 975, 255, F0, 15, Centre),
    button("Command23", "ON", "Frame6", 120, 600, 615, 300, PaleGreen, F7, 32),
    button("Command24", "OFF", "Frame6", 960, 600, 615, 300, PalePink, F7, 33),
    // second row: on/off pairs and zoom
    frame("Frame3", Window, 120, 1440, 1695, 855, F5, 8),
    label("Label4", "SOUND MUTE", "Frame3", 120, 195, 1455, 300, F0, 9, Centre),
    button("Command19", "ON", "Frame3", 120, 480, 615, 300, PaleGreen, F7, 28),
    button("Command20", "OFF", "Frame3", 960, 480, 615, 300, PalePink, F7, 29),
    frame("Frame4", Window, 2040, 1440, 1695, 855, F5, 10),
    label("Label5", "NO SHOW", "Frame4", 360, 210, 1095, 285, F0, 11, Centre),
    button("Command21", "ON", "Frame4", 120, 480, 615, 300, PaleGreen, F7, 30),
    button("Command22", "OFF", "Frame4", 960, 480, 615, 300, PalePink, F7, 31),
    frame("Frame7", Window, 3960, 1440, 1695, 855, F5, 22),
    label("Label8", "FREEZE", "Frame7", 240, 210, 1215, 285, F0, 23, Centre),
    button("Command25", "ON", "Frame7", 120, 480, 615, 300, PaleGreen, F7, 34),
    button("Command26", "OFF", "Frame7", 960, 480, 615, 300, PalePink, F7, 35),
    frame("Frame5", Window, 5880, 1440, 1815, 855, F5, 12),
    label("Label6", "AV Size", "Frame5", 240, 210, 1335, 285, F0, 13, Centre),
    button("Command31", "Regular", "Frame5", 120, 480, 855, 300, PaleCyan, F5, 38),
    button("Command32", "Wide", "Frame5", 1080, 480, 615, 300, PaleCyan, F5, 39),
    frame("Frame10", Window, 7920, 1440, 1455, 855, F0, 105),
    label("Label14", "Zoom", "Frame10", 120, 240, 1215, 255, F0, 108, Centre),
    button("Command37", "+", "Frame10", 120, 480, 495, 300, Peach, F0, 106),
    button("Command38", "-", "Frame10", 840, 480, 495, 300, Peach, F0, 107),
    // cursor pad
    button("Command5", u8"↑", Window, 1200, 2520, 855, 375, Peach, F7, 17),
    button("Command9", u8"←", Window, 240, 3000, 855, 375, Peach, F7, 21),
    button("Command6", "SELECT", Window, 1200, 3000, 855, 375, Orange, F1, 18),
    button("Command8", u8"→", Window, 2160, 3000, 855, 375, Peach, F7, 20),
    button("Command7", u8"↓", Window, 1200, 3480, 855, 375, Peach, F7, 19),
    // adjusters
    label("Label3", "VOL", Window, 3600, 2520, 495, 255, F0, 7, Centre),
    button("Command1", "+", Window, 3600, 2880, 375, 255, LightOrange, F0, 5),
    button("Command2", "-", Window, 3600, 3240, 375, 255, LightOrange, F0, 6),
    label("Label13", "Brightness", Window, 4560, 2520, 975, 255, F1, 52, Left),
    button("Command15", "+", Window, 4800, 2880, 375, 255, PaleCyan, F1, 50),
    button("Command35", "-", Window, 4800, 3240, 375, 255, PaleCyan, F1, 51),
    label("Label17", "D.Zoom", Window, 6360, 2520, 735, 255, F1, 59, Left),
    button("Command48", "+", Window, 6480, 2880, 375, 255, PaleCyan, F5, 57),
    button("Command49", "-", Window, 6480, 3240, 375, 255, PaleCyan, F1, 58),
    label("Label18", "Keystone", Window, 7320, 2520, 855, 255, F1, 62, Left),
    button("Command50", "+", Window, 7440, 2880, 375, 255, PaleCyan, F1, 60),
    button("Command51", "-", Window, 7440, 3240, 375, 255, PaleCyan, F1, 61),
    // right-hand column
    button("Command13", "A-IMAGE", Window, 8400, 2760, 975, 250, Teal, F1, 24),
    button("Command30", "IMAGE", Window, 8400, 3120, 975, 255, Lavender, F1, 68),
    button("Command14", "P-TIMER", Window, 8400, 3360, 975, 250, Lavender, F1, 25),
    button("Command3", "DISPLAY CLEAR", Window, 8400, 3600, 975, 492, Lavender, F1, 16),
    button("Command16", "END", Window, 8400, 4320, 975, 375, Grey, F0, 26),
    // picture modes
    button("Command4", "STAND", Window, 240, 4080, 975, 255, PaleCyan, F1, 72),
    button("Command10", "REAL", Window, 1200, 4080, 975, 255, PaleCyan, F1, 73),
    button("Command11", "CINEMA", Window, 2160, 4080, 975, 255, PaleCyan, F1, 74),
    button("Command39", "IMAGE1", Window, 240, 4320, 975, 255, PaleCyan, F1, 75),
    button("Command40", "IMAGE2", Window, 1200, 4320, 975, 255, PaleCyan, F1, 76),
    button("Command41", "IMAGE3", Window, 2160, 4320, 975, 255, PaleCyan, F1, 77),
    button("Command42", "IMAGE4", Window, 240, 4560, 975, 255, PaleCyan, F1, 78),
    button("Command12", "B.Board", Window, 1200, 4560, 975, 255, PaleCyan, F1, 103),
    button("Command36", "Dynamic", Window, 2160, 4560, 975, 255, PaleCyan, F1, 104),
    // remote-key lock
    label("Label19", "R/C KEY OFF", Window, 6600, 3720, 1332, 252, F1, 67, Left),
    button("Command56", "NONE", Window, 6600, 3960, 1200, 372, PaleCyan, F1, 64),
    button("Command57", "R/C", Window, 6600, 4320, 606, 372, PaleCyan, F1, 65),
    button("Command58", "KEY", Window, 7200, 4320, 606, 372, PaleCyan, F1, 66),
    // port button and port panel
    button("Command33", "COM", Window, 4080, 4200, 1815, 375, SystemColour, F5, 40),
    frame("Frame8", Window, 3480, 3600, 2775, 1185, F5, 41).hidden(),
    option("Option1", "COM1", "Frame8", 240, 240, 1215, 255, F0, 42),
    option("Option2", "COM2", "Frame8", 1560, 240, 1095, 255, F0, 43),
    frame("Frame13", "Frame8", 120, 480, 2535, 615, F0, 69),
    option("Option9", "19200", "Frame13", 120, 240, 1095, 255, F0, 70).selected(),
    option("Option10", "9600", "Frame13", 1440, 240, 975, 300, F0, 71),
    // data area: traffic monitor and status queries
    frame("Frame9", Window, 45, 4920, 6312, 1290, F5, 44),
    monitorLine("Label11", "Frame9", 600, 180, 5610, 300, F8, 47),
    label("Label9", "TXD", "Frame9", 105, 210, 390, 285, F1, 45, Right),
    monitorLine("Label12", "Frame9", 600, 540, 5616, 300, F8, 48),
    label("Label10", "RXD", "Frame9", 75, 555, 450, 300, F1, 46, Right),
    monitorLine("Label22", "Frame9", 930, 915, 5295, 300, F7, 96).inTextColour(Red),
    label("Label23", "STATUS", "Frame9", 120, 960, 735, 225, F6, 97, Left),
    button("Command34", u8"データを表示する", Window, 6600, 5040, 1200, 375, Grey, F5, 49).hidden(),
    button("Command44", "STATUS", Window, 6480, 5640, 975, 255, PaleCyan, F4, 53),
    button("Command46", "L-TIME", Window, 7440, 5640, 975, 255, PaleCyan, F4, 55),
    button("Command54", "TEMP", Window, 8400, 5640, 975, 252, PaleCyan, F4, 63),
    button("Command45", "MODE", Window, 6480, 5880, 975, 255, PaleCyan, F4, 54),
    button("Command47", "SETTING", Window, 7440, 5880, 975, 255, PaleCyan, F4, 56),
    // lower panel: input sources, fan, command line, logo
    frame("Frame14", Window, 120, 6735, 7215, 1320, F0, 79),
    label("Label15", "PC1", "Frame14", 120, 240, 735, 255, F0, 85, Left),
    button("Command64", "RGB", "Frame14", 960, 240, 975, 255, PaleCyan, F1, 80),
    button("Command65", "SCART RGB", "Frame14", 1920, 240, 1815, 255, PaleCyan, F1, 81),
    button("Command66", "Component", "Frame14", 3720, 240, 1815, 255, PaleCyan, F1, 82),
    button("Command69", "S-Video", "Frame14", 5520, 240, 1095, 255, PaleCyan, F1, 83),
    label("Label16", "PC2", "Frame14", 120, 480, 735, 255, F0, 86, Left),
    button("Command72", "RGB", "Frame14", 960, 480, 975, 255, PaleCyan, F1, 84),
    frame("Frame16", Window, 7440, 6750, 1935, 945, F0, 92),
    label("Label27", "FAN SPEED", "Frame16", 345, 240, 1215, 255, F0, 93, Left),
    button("Command97", "MAX", "Frame16", 120, 600, 855, 255, PaleCyan, F0, 94),
    button("Command98", "NOR", "Frame16", 960, 600, 855, 255, Peach, F0, 95),
    frame("Frame15", Window, 120, 8040, 7215, 570, F0, 87),
    textBox("Text1", "Frame15", 600, 165, 5055, 345, F2, 88),
    label("Label26", "CMD", "Frame15", 120, 240, 495, 255, F3, 91, Left),
    button("Command95", "SEND", "Frame15", 5760, 240, 735, 255, PaleGreen, F0, 89),
    button("Command96", "CLS", "Frame15", 6480, 240, 615, 255, PalePink, F0, 90),
    frame("Frame11", Window, 7440, 7680, 1935, 975, F0, 98),
    button("Command60", "Capture", "Frame11", 240, 240, 1455, 255, PaleCyan, F1, 99),
    button("Command61", "OFF", "Frame11", 120, 600, 495, 255, Peach, F1, 100),
    button("Command63", "DEF", "Frame11", 600, 600, 495, 255, Peach, F1, 101),
    button("Command67", "User", "Frame11", 1080, 600, 735, 255, PaleCyan, F1, 102),
};

constexpr Line LineRows[] = {
    {"Line1", 1080, 2400, 1080, 2880},
    {"Line2", 2160, 2400, 2160, 2880},
    {"Line3", 3120, 2880, 3120, 3480},
    {"Line4", 2160, 3480, 2160, 3960},
    {"Line5", 1080, 3480, 1080, 3960},
    {"Line6", 120, 2880, 120, 3480},
    {"Line7", 1080, 2400, 2160, 2400},
    {"Line8", 120, 2880, 1080, 2880},
    {"Line9", 2160, 2880, 3120, 2880},
    {"Line10", 120, 3480, 1080, 3480},
    {"Line11", 1080, 3960, 2160, 3960},
    {"Line12", 2160, 3480, 3120, 3480},
};

} // namespace

const Table<Control> Controls = {std::begin(ControlRows), std::size(ControlRows)};
const Table<Line> Lines = {std::begin(LineRows), std::size(LineRows)};

} // namespace qn62::layout
