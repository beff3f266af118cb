#pragma once

#include <QString>
#include <array>
#include <optional>
#include <variant>
#include <vector>

class DTPicker;
class Frame;
class Label;
class PushButton;

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

// The controls the windows' code works with, as the builder hands them back: each row of a table
// names the member it fills, so code reaches its controls by members the compiler checks. A
// window fills those its table holds; the others stay null.
struct WindowControls
{
    DTPicker* dtpDate = nullptr;
    DTPicker* dtpTime = nullptr;
    Frame* Frame1 = nullptr;
    Frame* Frame2 = nullptr;
    PushButton* PushButton1 = nullptr;
    PushButton* PushButton2 = nullptr;
    Label* lblDateTimeEntered = nullptr;
    Label* lblCurrentDate = nullptr;
    // A counter window's breakdown, whichever side it counts.
    Label* lblDays = nullptr;
    Label* lblHours = nullptr;
    Label* lblMinutes = nullptr;
    Label* lblSeconds = nullptr;

    std::array<Label*, 4> breakdown() const { return {lblDays, lblHours, lblMinutes, lblSeconds}; }
};

// The member of WindowControls a row's control is handed back in.
template <typename Control> using ControlMember = Control* WindowControls::*;
using AnyControlMember = std::variant<ControlMember<DTPicker>, ControlMember<Frame>,
                                      ControlMember<PushButton>, ControlMember<Label>>;

struct ControlRow
{
    QString name;
    AnyControlMember member;
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

// The captions a counter window's clock and figures are created with, and shown again whenever it
// is not counting; the tick writes its readings after them.
QString idleClockCaption();
// Day(s):, Hour(s):, Minute(s): and Second(s):, in that order.
QString idleBreakdownCaption(std::size_t figure);
