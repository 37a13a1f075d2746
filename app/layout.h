#pragma once

#include <QRgb>

namespace qn62::layout {

// Window geometry is kept in twips, 1/1440 inch; one logical pixel is 15
// twips, so Qt's own scaling takes care of high-DPI screens.
inline constexpr int TwipsPerPixel = 15;
inline constexpr int px(int twips) { return (twips * 2 + TwipsPerPixel) / (2 * TwipsPerPixel); }

inline constexpr int ClientWidth = 9495;
inline constexpr int FullClientHeight = 8730;
// The window heights are outer heights: title bar and borders take about
// this much of them.
inline constexpr int NonClientHeight = 370;

inline constexpr int HeightNormal = 5350;
inline constexpr int HeightDataView = 6645;
inline constexpr int HeightKeyEnlarged = 7200;
inline constexpr int HeightFull = 9100;

inline constexpr QRgb WindowColour = 0xC0C0C0;
inline constexpr QRgb SystemColour = 0xFF000000; // no colour of its own
inline constexpr QRgb LineColour = 0x8080FF;
inline constexpr int LineWidthPx = 2;

enum Kind { Frame, Label, Button, Option, TextBox };

// Fonts: F0-F4 and F6 are the fixed-pitch face, F5, F7 and F8 the
// proportional one.
enum Font { F0, F1, F2, F3, F4, F5, F6, F7, F8 };

struct FontFace
{
    bool proportional;
    double points;
    bool bold;
};

inline constexpr FontFace Fonts[] = {
    {false, 9, true},    // F0, the window's font
    {false, 9, false},   // F1
    {false, 9.75, true}, // F2
    {false, 9.75, false}, // F3
    {false, 8.25, true}, // F4
    {true, 9, false},    // F5
    {false, 8.25, false}, // F6
    {true, 9, true},     // F7
    {true, 9.75, true},  // F8
};

enum Flags : unsigned {
    Centre = 1u << 0,
    Left = 1u << 1,
    Right = 1u << 2,
    Bordered = 1u << 3,
    Hidden = 1u << 4,   // not shown at start
    Selected = 1u << 5, // option selected at start
};

struct Control
{
    const char *name;
    Kind kind;
    const char *caption; // UTF-8; nullptr for none
    const char *in;      // container; nullptr for the window itself
    int left, top, width, height;
    QRgb colour;
    Font font;
    int tab;
    unsigned flags;
    QRgb textColour; // 0 for the default (black)
};

// Every control of the window, region by region, top to bottom. Positions
// are relative to the container.
inline constexpr Control Controls[] = {
    // upper panel, first row: power, input, menu
    {"Frame1", Frame, nullptr, nullptr, 120, 240, 1695, 975, 0xC0C0C0, F5, 0, 0, 0},
    {"Label1", Label, "POWER", "Frame1", 240, 240, 1095, 255, 0xC0C0C0, F0, 2, Centre, 0xC00000},
    {"Command17", Button, "ON", "Frame1", 120, 600, 615, 300, 0xC0FFC0, F7, 1, 0, 0},
    {"Command18", Button, "OFF", "Frame1", 960, 600, 615, 300, 0xFFC0C0, F7, 27, 0, 0},
    {"Frame2", Frame, nullptr, nullptr, 2520, 240, 2295, 975, 0xC0C0C0, F5, 3, 0, 0},
    {"Label2", Label, "INPUT MODE SET", "Frame2", 240, 240, 1935, 255, 0xC0C0C0, F0, 4, Centre, 0},
    {"Command27", Button, "PC1", "Frame2", 360, 600, 495, 300, 0xC0FFFF, F7, 36, 0, 0},
    {"Command29", Button, "Video", "Frame2", 1320, 600, 735, 300, 0xC0FFFF, F7, 37, 0, 0},
    {"Frame6", Frame, nullptr, nullptr, 5520, 240, 1695, 975, 0xC0C0C0, F5, 14, 0, 0},
    {"Label7", Label, "MENU", "Frame6", 360, 240, 975, 255, 0xC0C0C0, F0, 15, Centre, 0},
    {"Command23", Button, "ON", "Frame6", 120, 600, 615, 300, 0xC0FFC0, F7, 32, 0, 0},
    {"Command24", Button, "OFF", "Frame6", 960, 600, 615, 300, 0xFFC0C0, F7, 33, 0, 0},
    // second row: on/off pairs and zoom
    {"Frame3", Frame, nullptr, nullptr, 120, 1440, 1695, 855, 0xC0C0C0, F5, 8, 0, 0},
    {"Label4", Label, "SOUND MUTE", "Frame3", 120, 195, 1455, 300, 0xC0C0C0, F0, 9, Centre, 0},
    {"Command19", Button, "ON", "Frame3", 120, 480, 615, 300, 0xC0FFC0, F7, 28, 0, 0},
    {"Command20", Button, "OFF", "Frame3", 960, 480, 615, 300, 0xFFC0C0, F7, 29, 0, 0},
    {"Frame4", Frame, nullptr, nullptr, 2040, 1440, 1695, 855, 0xC0C0C0, F5, 10, 0, 0},
    {"Label5", Label, "NO SHOW", "Frame4", 360, 210, 1095, 285, 0xC0C0C0, F0, 11, Centre, 0},
    {"Command21", Button, "ON", "Frame4", 120, 480, 615, 300, 0xC0FFC0, F7, 30, 0, 0},
    {"Command22", Button, "OFF", "Frame4", 960, 480, 615, 300, 0xFFC0C0, F7, 31, 0, 0},
    {"Frame7", Frame, nullptr, nullptr, 3960, 1440, 1695, 855, 0xC0C0C0, F5, 22, 0, 0},
    {"Label8", Label, "FREEZE", "Frame7", 240, 210, 1215, 285, 0xC0C0C0, F0, 23, Centre, 0},
    {"Command25", Button, "ON", "Frame7", 120, 480, 615, 300, 0xC0FFC0, F7, 34, 0, 0},
    {"Command26", Button, "OFF", "Frame7", 960, 480, 615, 300, 0xFFC0C0, F7, 35, 0, 0},
    {"Frame5", Frame, nullptr, nullptr, 5880, 1440, 1815, 855, 0xC0C0C0, F5, 12, 0, 0},
    {"Label6", Label, "AV Size", "Frame5", 240, 210, 1335, 285, 0xC0C0C0, F0, 13, Centre, 0},
    {"Command31", Button, "Regular", "Frame5", 120, 480, 855, 300, 0xC0FFFF, F5, 38, 0, 0},
    {"Command32", Button, "Wide", "Frame5", 1080, 480, 615, 300, 0xC0FFFF, F5, 39, 0, 0},
    {"Frame10", Frame, nullptr, nullptr, 7920, 1440, 1455, 855, 0xC0C0C0, F0, 105, 0, 0},
    {"Label14", Label, "Zoom", "Frame10", 120, 240, 1215, 255, 0xC0C0C0, F0, 108, Centre, 0},
    {"Command37", Button, "+", "Frame10", 120, 480, 495, 300, 0xFFE0C0, F0, 106, 0, 0},
    {"Command38", Button, "-", "Frame10", 840, 480, 495, 300, 0xFFE0C0, F0, 107, 0, 0},
    // cursor pad
    {"Command5", Button, u8"↑", nullptr, 1200, 2520, 855, 375, 0xFFE0C0, F7, 17, 0, 0},
    {"Command9", Button, u8"←", nullptr, 240, 3000, 855, 375, 0xFFE0C0, F7, 21, 0, 0},
    {"Command6", Button, "SELECT", nullptr, 1200, 3000, 855, 375, 0xFF8000, F1, 18, 0, 0},
    {"Command8", Button, u8"→", nullptr, 2160, 3000, 855, 375, 0xFFE0C0, F7, 20, 0, 0},
    {"Command7", Button, u8"↓", nullptr, 1200, 3480, 855, 375, 0xFFE0C0, F7, 19, 0, 0},
    // adjusters
    {"Label3", Label, "VOL", nullptr, 3600, 2520, 495, 255, 0xC0C0C0, F0, 7, Centre, 0},
    {"Command1", Button, "+", nullptr, 3600, 2880, 375, 255, 0xFFC080, F0, 5, 0, 0},
    {"Command2", Button, "-", nullptr, 3600, 3240, 375, 255, 0xFFC080, F0, 6, 0, 0},
    {"Label13", Label, "Brightness", nullptr, 4560, 2520, 975, 255, 0xC0C0C0, F1, 52, Left, 0},
    {"Command15", Button, "+", nullptr, 4800, 2880, 375, 255, 0xC0FFFF, F1, 50, 0, 0},
    {"Command35", Button, "-", nullptr, 4800, 3240, 375, 255, 0xC0FFFF, F1, 51, 0, 0},
    {"Label17", Label, "D.Zoom", nullptr, 6360, 2520, 735, 255, 0xC0C0C0, F1, 59, Left, 0},
    {"Command48", Button, "+", nullptr, 6480, 2880, 375, 255, 0xC0FFFF, F5, 57, 0, 0},
    {"Command49", Button, "-", nullptr, 6480, 3240, 375, 255, 0xC0FFFF, F1, 58, 0, 0},
    {"Label18", Label, "Keystone", nullptr, 7320, 2520, 855, 255, 0xC0C0C0, F1, 62, Left, 0},
    {"Command50", Button, "+", nullptr, 7440, 2880, 375, 255, 0xC0FFFF, F1, 60, 0, 0},
    {"Command51", Button, "-", nullptr, 7440, 3240, 375, 255, 0xC0FFFF, F1, 61, 0, 0},
    // right-hand column
    {"Command13", Button, "A-IMAGE", nullptr, 8400, 2760, 975, 250, 0x00C0C0, F1, 24, 0, 0},
    {"Command30", Button, "IMAGE", nullptr, 8400, 3120, 975, 255, 0xC0C0FF, F1, 68, 0, 0},
    {"Command14", Button, "P-TIMER", nullptr, 8400, 3360, 975, 250, 0xC0C0FF, F1, 25, 0, 0},
    {"Command3", Button, "DISPLAY CLEAR", nullptr, 8400, 3600, 975, 492, 0xC0C0FF, F1, 16, 0, 0},
    {"Command16", Button, "END", nullptr, 8400, 4320, 975, 375, 0xC0C0C0, F0, 26, 0, 0},
    // picture modes
    {"Command4", Button, "STAND", nullptr, 240, 4080, 975, 255, 0xC0FFFF, F1, 72, 0, 0},
    {"Command10", Button, "REAL", nullptr, 1200, 4080, 975, 255, 0xC0FFFF, F1, 73, 0, 0},
    {"Command11", Button, "CINEMA", nullptr, 2160, 4080, 975, 255, 0xC0FFFF, F1, 74, 0, 0},
    {"Command39", Button, "IMAGE1", nullptr, 240, 4320, 975, 255, 0xC0FFFF, F1, 75, 0, 0},
    {"Command40", Button, "IMAGE2", nullptr, 1200, 4320, 975, 255, 0xC0FFFF, F1, 76, 0, 0},
    {"Command41", Button, "IMAGE3", nullptr, 2160, 4320, 975, 255, 0xC0FFFF, F1, 77, 0, 0},
    {"Command42", Button, "IMAGE4", nullptr, 240, 4560, 975, 255, 0xC0FFFF, F1, 78, 0, 0},
    {"Command12", Button, "B.Board", nullptr, 1200, 4560, 975, 255, 0xC0FFFF, F1, 103, 0, 0},
    {"Command36", Button, "Dynamic", nullptr, 2160, 4560, 975, 255, 0xC0FFFF, F1, 104, 0, 0},
    // remote-key lock
    {"Label19", Label, "R/C KEY OFF", nullptr, 6600, 3720, 1332, 252, 0xC0C0C0, F1, 67, Left, 0},
    {"Command56", Button, "NONE", nullptr, 6600, 3960, 1200, 372, 0xC0FFFF, F1, 64, 0, 0},
    {"Command57", Button, "R/C", nullptr, 6600, 4320, 606, 372, 0xC0FFFF, F1, 65, 0, 0},
    {"Command58", Button, "KEY", nullptr, 7200, 4320, 606, 372, 0xC0FFFF, F1, 66, 0, 0},
    // port button and port panel
    {"Command33", Button, "COM", nullptr, 4080, 4200, 1815, 375, SystemColour, F5, 40, 0, 0},
    {"Frame8", Frame, nullptr, nullptr, 3480, 3600, 2775, 1185, 0xC0C0C0, F5, 41, Hidden, 0},
    {"Option1", Option, "COM1", "Frame8", 240, 240, 1215, 255, 0xC0C0C0, F0, 42, 0, 0},
    {"Option2", Option, "COM2", "Frame8", 1560, 240, 1095, 255, 0xC0C0C0, F0, 43, 0, 0},
    {"Frame13", Frame, nullptr, "Frame8", 120, 480, 2535, 615, 0xC0C0C0, F0, 69, 0, 0},
    {"Option9", Option, "19200", "Frame13", 120, 240, 1095, 255, 0xC0C0C0, F0, 70, Selected, 0},
    {"Option10", Option, "9600", "Frame13", 1440, 240, 975, 300, 0xC0C0C0, F0, 71, 0, 0},
    // data area: traffic monitor and status queries
    {"Frame9", Frame, nullptr, nullptr, 45, 4920, 6312, 1290, 0xC0C0C0, F5, 44, 0, 0},
    {"Label11", Label, nullptr, "Frame9", 600, 180, 5610, 300, 0xFFFFFF, F8, 47, Left|Bordered, 0},
    {"Label9", Label, "TXD", "Frame9", 105, 210, 390, 285, 0xC0C0C0, F1, 45, Right, 0},
    {"Label12", Label, nullptr, "Frame9", 600, 540, 5616, 300, 0xFFFFFF, F8, 48, Left|Bordered, 0},
    {"Label10", Label, "RXD", "Frame9", 75, 555, 450, 300, 0xC0C0C0, F1, 46, Right, 0},
    {"Label22", Label, nullptr, "Frame9", 930, 915, 5295, 300, 0xFFFFFF, F7, 96, Left|Bordered, 0xFF0000},
    {"Label23", Label, "STATUS", "Frame9", 120, 960, 735, 225, 0xC0C0C0, F6, 97, Left, 0},
    {"Command34", Button, u8"データを表示する", nullptr, 6600, 5040, 1200, 375, 0xC0C0C0, F5, 49, Hidden, 0},
    {"Command44", Button, "STATUS", nullptr, 6480, 5640, 975, 255, 0xC0FFFF, F4, 53, 0, 0},
    {"Command46", Button, "L-TIME", nullptr, 7440, 5640, 975, 255, 0xC0FFFF, F4, 55, 0, 0},
    {"Command54", Button, "TEMP", nullptr, 8400, 5640, 975, 252, 0xC0FFFF, F4, 63, 0, 0},
    {"Command45", Button, "MODE", nullptr, 6480, 5880, 975, 255, 0xC0FFFF, F4, 54, 0, 0},
    {"Command47", Button, "SETTING", nullptr, 7440, 5880, 975, 255, 0xC0FFFF, F4, 56, 0, 0},
    // lower panel: input sources, fan, command line, logo
    {"Frame14", Frame, nullptr, nullptr, 120, 6735, 7215, 1320, 0xC0C0C0, F0, 79, 0, 0},
    {"Label15", Label, "PC1", "Frame14", 120, 240, 735, 255, 0xC0C0C0, F0, 85, Left, 0},
    {"Command64", Button, "RGB", "Frame14", 960, 240, 975, 255, 0xC0FFFF, F1, 80, 0, 0},
    {"Command65", Button, "SCART RGB", "Frame14", 1920, 240, 1815, 255, 0xC0FFFF, F1, 81, 0, 0},
    {"Command66", Button, "Component", "Frame14", 3720, 240, 1815, 255, 0xC0FFFF, F1, 82, 0, 0},
    {"Command69", Button, "S-Video", "Frame14", 5520, 240, 1095, 255, 0xC0FFFF, F1, 83, 0, 0},
    {"Label16", Label, "PC2", "Frame14", 120, 480, 735, 255, 0xC0C0C0, F0, 86, Left, 0},
    {"Command72", Button, "RGB", "Frame14", 960, 480, 975, 255, 0xC0FFFF, F1, 84, 0, 0},
    {"Frame16", Frame, nullptr, nullptr, 7440, 6750, 1935, 945, 0xC0C0C0, F0, 92, 0, 0},
    {"Label27", Label, "FAN SPEED", "Frame16", 345, 240, 1215, 255, 0xC0C0C0, F0, 93, Left, 0},
    {"Command97", Button, "MAX", "Frame16", 120, 600, 855, 255, 0xC0FFFF, F0, 94, 0, 0},
    {"Command98", Button, "NOR", "Frame16", 960, 600, 855, 255, 0xFFE0C0, F0, 95, 0, 0},
    {"Frame15", Frame, nullptr, nullptr, 120, 8040, 7215, 570, 0xC0C0C0, F0, 87, 0, 0},
    {"Text1", TextBox, nullptr, "Frame15", 600, 165, 5055, 345, 0xFFFFFF, F2, 88, 0, 0},
    {"Label26", Label, "CMD", "Frame15", 120, 240, 495, 255, 0xC0C0C0, F3, 91, Left, 0},
    {"Command95", Button, "SEND", "Frame15", 5760, 240, 735, 255, 0xC0FFC0, F0, 89, 0, 0},
    {"Command96", Button, "CLS", "Frame15", 6480, 240, 615, 255, 0xFFC0C0, F0, 90, 0, 0},
    {"Frame11", Frame, nullptr, nullptr, 7440, 7680, 1935, 975, 0xC0C0C0, F0, 98, 0, 0},
    {"Command60", Button, "Capture", "Frame11", 240, 240, 1455, 255, 0xC0FFFF, F1, 99, 0, 0},
    {"Command61", Button, "OFF", "Frame11", 120, 600, 495, 255, 0xFFE0C0, F1, 100, 0, 0},
    {"Command63", Button, "DEF", "Frame11", 600, 600, 495, 255, 0xFFE0C0, F1, 101, 0, 0},
    {"Command67", Button, "User", "Frame11", 1080, 600, 735, 255, 0xC0FFFF, F1, 102, 0, 0},
};

struct Line
{
    const char *name;
    int x1, y1, x2, y2;
};

// The outline of a plus sign around the cursor pad.
inline constexpr Line Lines[] = {
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

// The picture in the top right corner.
inline constexpr int ImageLeft = 8160, ImageTop = 120, ImageWidth = 1200, ImageHeight = 390;
inline constexpr int ImagePixelsWide = 80, ImagePixelsHigh = 26;

} // namespace qn62::layout
