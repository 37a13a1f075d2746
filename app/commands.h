#pragma once

// What every command button of the panel sends. Each button's event
// procedure in form1.cpp passes its number to the panel, which finds the
// button's row here.

namespace qn62 {

// What a single press does to the timers besides sending:
//   Plain        sends only;
//   LongWait     reply window 2000 ms, monitor clear 2500 ms, then sends;
//   SourceWait   reply window 5000 ms, monitor clear 5500 ms, then sends;
//   ArrowPreset  sends, then repeat interval 200 ms and cursor pace 1.
enum class PressKind { Plain, LongWait, SourceWait, ArrowPreset };

struct ClickButton
{
    int number;
    const char *code;
    PressKind kind;
};

inline constexpr ClickButton ClickButtons[] = {
    {17, "C00", PressKind::Plain},                 // POWER ON
    {18, "C01", PressKind::Plain},                 // POWER OFF
    {27, "C05", PressKind::Plain},                 // INPUT PC1
    {29, "C07", PressKind::Plain},                 // INPUT Video
    {23, "C1C", PressKind::ArrowPreset},           // MENU ON
    {24, "C1D", PressKind::Plain},                 // MENU OFF
    {19, "C0B", PressKind::Plain},                 // SOUND MUTE ON
    {20, "C0C", PressKind::Plain},                 // SOUND MUTE OFF
    {21, "C0D", PressKind::Plain},                 // NO SHOW ON
    {22, "C0E", PressKind::Plain},                 // NO SHOW OFF
    {25, "C43", PressKind::Plain},                 // FREEZE ON
    {26, "C44", PressKind::Plain},                 // FREEZE OFF
    {31, "C0F", PressKind::Plain},                 // AV Size Regular
    {32, "C10", PressKind::Plain},                 // AV Size Wide
    {13, "C89", PressKind::ArrowPreset},           // A-IMAGE
    {30, "C27", PressKind::Plain},                 // IMAGE
    {14, "C8A", PressKind::Plain},                 // P-TIMER
    {3, "C1E", PressKind::Plain},                  // DISPLAY CLEAR
    {4, "C11", PressKind::LongWait},               // STAND
    {10, "C12", PressKind::LongWait},              // REAL
    {11, "C13", PressKind::LongWait},              // CINEMA
    {39, "C14", PressKind::LongWait},              // IMAGE1
    {40, "C15", PressKind::LongWait},              // IMAGE2
    {41, "C16", PressKind::LongWait},              // IMAGE3
    {42, "C17", PressKind::LongWait},              // IMAGE4
    {12, "C18", PressKind::LongWait},              // B.Board
    {36, "C19", PressKind::LongWait},              // Dynamic
    {56, "CF KEYDIS NONE", PressKind::Plain},      // R/C KEY OFF: NONE
    {57, "CF KEYDIS RC", PressKind::Plain},        // R/C KEY OFF: R/C
    {58, "CF KEYDIS KEY", PressKind::Plain},       // R/C KEY OFF: KEY
    {44, "CR0", PressKind::Plain},                 // STATUS
    {45, "CR1", PressKind::Plain},                 // MODE
    {46, "CR3", PressKind::Plain},                 // L-TIME
    {47, "CR4", PressKind::Plain},                 // SETTING
    {54, "CR6", PressKind::Plain},                 // TEMP
    {64, "C50", PressKind::SourceWait},            // PC1 RGB
    {65, "C51", PressKind::SourceWait},            // PC1 SCART RGB
    {66, "C54", PressKind::SourceWait},            // PC1 Component
    {69, "C34", PressKind::SourceWait},            // PC1 S-Video
    {72, "C25", PressKind::SourceWait},            // PC2 RGB
    {97, "CF FANSPEED MAX", PressKind::Plain},     // FAN SPEED MAX
    {98, "CF FANSPEED NOR", PressKind::Plain},     // FAN SPEED NOR
    {60, "CF LOGOCAPTURE START", PressKind::Plain}, // logo Capture
    {61, "CF LOGO OFF", PressKind::Plain},         // logo OFF
    {63, "CF LOGO DEFAULT", PressKind::Plain},     // logo DEF
    {67, "CF LOGO USER", PressKind::Plain},        // logo User
};

// What holding a button down does besides sending:
//   Adjust  sets the repeat interval, reply window and monitor clear of
//           its row;
//   Zoom    the same, and releasing it sets the repeat interval to 5 ms
//           and the cursor pace to 3;
//   Arrow   keeps the repeat interval, and takes reply window and monitor
//           clear from the cursor pace (1: 150/190 ms, 3: 5/5 ms, any
//           other: as they are). Arrow rows have no timing of their own.
enum class HoldKind { Adjust, Zoom, Arrow };

struct HoldTiming
{
    int repeatMs;
    int replyWindowMs;
    int monitorClearMs;
};

// While a button is held, the repeat timer sends the code of the row
// whose repeat code is the panel's RepeatCode.
struct HoldButton
{
    int number;
    const char *code;
    int repeatCode;
    HoldKind kind;
    HoldTiming timing;
};

inline constexpr HoldButton HoldButtons[] = {
    {1, "C09", 1, HoldKind::Adjust, {250, 200, 245}},  // VOL +
    {2, "C0A", 2, HoldKind::Adjust, {250, 200, 245}},  // VOL -
    {15, "C20", 7, HoldKind::Adjust, {50, 25, 25}},    // Brightness +
    {35, "C21", 8, HoldKind::Adjust, {50, 25, 25}},    // Brightness -
    {48, "C30", 17, HoldKind::Zoom, {250, 200, 245}},  // D.Zoom +
    {49, "C31", 18, HoldKind::Zoom, {250, 200, 245}},  // D.Zoom -
    {50, "C8E", 19, HoldKind::Adjust, {250, 200, 245}}, // Keystone +
    {51, "C8F", 20, HoldKind::Adjust, {250, 200, 245}}, // Keystone -
    {37, "C47", 11, HoldKind::Zoom, {250, 200, 245}},  // Zoom +
    {38, "C46", 12, HoldKind::Zoom, {250, 200, 245}},  // Zoom -
    {5, "C3C", 3, HoldKind::Arrow, {}},                // up arrow
    {7, "C3D", 4, HoldKind::Arrow, {}},                // down arrow
    {9, "C3B", 5, HoldKind::Arrow, {}},                // left arrow
    {8, "C3A", 6, HoldKind::Arrow, {}},                // right arrow
    {6, "C3F", 13, HoldKind::Adjust, {500, 200, 245}}, // SELECT
};

} // namespace qn62
