#pragma once

#include <QRgb>

#include <cstddef>

namespace qn62::layout {

// Window geometry is kept in twips, 1/1440 inch; one logical pixel is 15
// twips, so Qt's own scaling takes care of high-DPI screens.
inline constexpr int TwipsPerPixel = 15;
inline constexpr int px(int twips) { return (twips * 2 + TwipsPerPixel) / (2 * TwipsPerPixel); }

inline constexpr int ClientWidth = 9495;
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

    // The same control, not shown at start.
    constexpr Control hidden() const { return with(Hidden); }
    // The same option, selected at start.
    constexpr Control selected() const { return with(Selected); }
    // The same label with its text in this colour.
    constexpr Control inTextColour(QRgb colour) const
    {
        Control c = *this;
        c.textColour = colour;
        return c;
    }

private:
    constexpr Control with(unsigned flag) const
    {
        Control c = *this;
        c.flags |= flag;
        return c;
    }
};

// Lines drawn on the window, from one end to the other.
struct Line
{
    const char *name;
    int x1, y1, x2, y2;
};

// A read-only view of one of the tables below, for range-for.
template <typename Row>
struct Table
{
    const Row *first;
    std::size_t count;
    const Row *begin() const { return first; }
    const Row *end() const { return first + count; }
};

// Every control of the window, region by region, top to bottom, containers
// before what they hold (layout.cpp).
extern const Table<Control> Controls;
// The outline of a plus sign around the cursor pad.
extern const Table<Line> Lines;

// The picture in the top right corner.
inline constexpr int ImageLeft = 8160, ImageTop = 120, ImageWidth = 1200, ImageHeight = 390;
inline constexpr int ImagePixelsWide = 80, ImagePixelsHigh = 26;

} // namespace qn62::layout
