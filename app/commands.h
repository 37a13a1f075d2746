#pragma once

// What every command button of the panel sends.
//
// Single-press buttons: X(number, code, kind), where kind says what the
// press does to the timers besides sending:
//   Plain        sends only;
//   LongWait     reply window 2000 ms, monitor clear 2500 ms, then sends;
//   SourceWait   reply window 5000 ms, monitor clear 5500 ms, then sends;
//   ArrowPreset  sends, then repeat interval 200 ms and cursor pace 1.
#define QN62_CLICK_BUTTONS(X) \
    X(17, "C00", Plain)        /* POWER ON */ \
    X(18, "C01", Plain)        /* POWER OFF */ \
    X(27, "C05", Plain)        /* INPUT PC1 */ \
    X(29, "C07", Plain)        /* INPUT Video */ \
    X(23, "C1C", ArrowPreset)  /* MENU ON */ \
    X(24, "C1D", Plain)        /* MENU OFF */ \
    X(19, "C0B", Plain)        /* SOUND MUTE ON */ \
    X(20, "C0C", Plain)        /* SOUND MUTE OFF */ \
    X(21, "C0D", Plain)        /* NO SHOW ON */ \
    X(22, "C0E", Plain)        /* NO SHOW OFF */ \
    X(25, "C43", Plain)        /* FREEZE ON */ \
    X(26, "C44", Plain)        /* FREEZE OFF */ \
    X(31, "C0F", Plain)        /* AV Size Regular */ \
    X(32, "C10", Plain)        /* AV Size Wide */ \
    X(13, "C89", ArrowPreset)  /* A-IMAGE */ \
    X(30, "C27", Plain)        /* IMAGE */ \
    X(14, "C8A", Plain)        /* P-TIMER */ \
    X(3, "C1E", Plain)         /* DISPLAY CLEAR */ \
    X(4, "C11", LongWait)      /* STAND */ \
    X(10, "C12", LongWait)     /* REAL */ \
    X(11, "C13", LongWait)     /* CINEMA */ \
    X(39, "C14", LongWait)     /* IMAGE1 */ \
    X(40, "C15", LongWait)     /* IMAGE2 */ \
    X(41, "C16", LongWait)     /* IMAGE3 */ \
    X(42, "C17", LongWait)     /* IMAGE4 */ \
    X(12, "C18", LongWait)     /* B.Board */ \
    X(36, "C19", LongWait)     /* Dynamic */ \
    X(56, "CF KEYDIS NONE", Plain) /* R/C KEY OFF: NONE */ \
    X(57, "CF KEYDIS RC", Plain)   /* R/C KEY OFF: R/C */ \
    X(58, "CF KEYDIS KEY", Plain)  /* R/C KEY OFF: KEY */ \
    X(44, "CR0", Plain)        /* STATUS */ \
    X(45, "CR1", Plain)        /* MODE */ \
    X(46, "CR3", Plain)        /* L-TIME */ \
    X(47, "CR4", Plain)        /* SETTING */ \
    X(54, "CR6", Plain)        /* TEMP */ \
    X(64, "C50", SourceWait)   /* PC1 RGB */ \
    X(65, "C51", SourceWait)   /* PC1 SCART RGB */ \
    X(66, "C54", SourceWait)   /* PC1 Component */ \
    X(69, "C34", SourceWait)   /* PC1 S-Video */ \
    X(72, "C25", SourceWait)   /* PC2 RGB */ \
    X(97, "CF FANSPEED MAX", Plain) /* FAN SPEED MAX */ \
    X(98, "CF FANSPEED NOR", Plain) /* FAN SPEED NOR */ \
    X(60, "CF LOGOCAPTURE START", Plain) /* logo Capture */ \
    X(61, "CF LOGO OFF", Plain)     /* logo OFF */ \
    X(63, "CF LOGO DEFAULT", Plain) /* logo DEF */ \
    X(67, "CF LOGO USER", Plain)    /* logo User */

// Press-and-hold buttons: X(number, code, repeat code, repeat interval,
// reply window, monitor clear, zoom). A repeat interval of Keep leaves the
// repeat timer as it is, and reply window and monitor clear of Pace take
// them from the cursor pace (the arrows). Releasing a zoom button sets the
// repeat interval to 5 ms and the cursor pace to 3.
#define QN62_HOLD_BUTTONS(X) \
    X(1, "C09", 1, 250, 200, 245, false)   /* VOL + */ \
    X(2, "C0A", 2, 250, 200, 245, false)   /* VOL - */ \
    X(15, "C20", 7, 50, 25, 25, false)     /* Brightness + */ \
    X(35, "C21", 8, 50, 25, 25, false)     /* Brightness - */ \
    X(48, "C30", 17, 250, 200, 245, true)  /* D.Zoom + */ \
    X(49, "C31", 18, 250, 200, 245, true)  /* D.Zoom - */ \
    X(50, "C8E", 19, 250, 200, 245, false) /* Keystone + */ \
    X(51, "C8F", 20, 250, 200, 245, false) /* Keystone - */ \
    X(37, "C47", 11, 250, 200, 245, true)  /* Zoom + */ \
    X(38, "C46", 12, 250, 200, 245, true)  /* Zoom - */ \
    X(5, "C3C", 3, Keep, Pace, Pace, false) /* up arrow */ \
    X(7, "C3D", 4, Keep, Pace, Pace, false) /* down arrow */ \
    X(9, "C3B", 5, Keep, Pace, Pace, false) /* left arrow */ \
    X(8, "C3A", 6, Keep, Pace, Pace, false) /* right arrow */ \
    X(6, "C3F", 13, 500, 200, 245, false)  /* SELECT */

namespace qn62 {

enum class PressKind { Plain, LongWait, SourceWait, ArrowPreset };

struct ClickButton
{
    int number;
    const char *code;
    PressKind kind;
};

// Markers in the hold table (see above).
inline constexpr int Keep = -1;
inline constexpr int Pace = -2;

struct HoldButton
{
    int number;
    const char *code;
    int repeatCode;
    int repeatMs;
    int replyWindowMs;
    int monitorClearMs;
    bool zoom;
};

inline constexpr HoldButton HoldButtons[] = {
#define QN62_ROW(n, code, rc, t1, t2, t4, zoom) \
    {n, code, rc, t1, t2, t4, zoom},
    QN62_HOLD_BUTTONS(QN62_ROW)
#undef QN62_ROW
};

} // namespace qn62
