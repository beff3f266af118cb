#pragma once

#include <QString>
#include <optional>
#include <vector>

// A window's static layout as data: what the window and its controls are when it is created.
// Positions and sizes are in twips, relative to the container's client area.

enum class ControlKind { DatePicker, TimePicker, PushButton, Frame, Label };
enum class TitleBarButtons { MinimiseAndClose, CloseOnly };

struct FontStyle
{
    QString face;
    double points = 0;
    bool bold = false;
};

struct ControlRow
{
    QString name;
    ControlKind kind;
    QString container; // empty: the window itself
    int tabIndex;      // -1: none
    int left;
    int top;
    int width;
    int height;
    QString caption;
    std::optional<FontStyle> font; // none: the container's
};

struct WindowLayout
{
    QString name;
    QString title;
    int clientWidth;
    int clientHeight;
    TitleBarButtons buttons;
    FontStyle font;
    std::vector<ControlRow> controls;
    // The controls in the order a reader meets them on screen, which the tab order is not.
    std::vector<QString> readingOrder;
};

constexpr int twipsPerPixel = 15;
// Qt scales device-independent pixels to the screen itself, so twips convert at a fixed rate.
constexpr int pixelsFromTwips(int twips)
{
    return (twips + twipsPerPixel / 2) / twipsPerPixel;
}

const WindowLayout& form1Layout();
const WindowLayout& form2Layout();
const WindowLayout& form3Layout();
