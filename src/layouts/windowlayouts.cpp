#include "layouts/layout.h"

namespace {
const FontStyle windowFont{QStringLiteral("Arial"), 9, true};
const FontStyle buttonFont{QStringLiteral("Arial"), 11.25, true};
const FontStyle labelFont = buttonFont;
const QString window;
const QString frame1 = QStringLiteral("Frame1");
const QString frame2 = QStringLiteral("Frame2");

ControlRow button(const char* name, ControlMember<PushButton> member, int tab, int top,
                  const char* caption)
{
    return {QString::fromLatin1(name),
            member,
            ControlKind::PushButton,
            window,
            tab,
            120,
            top,
            7800,
            405,
            QString::fromLatin1(caption),
            buttonFont};
}

ControlRow label(const QString& name, ControlMember<Label> member, const QString& container,
                 int tab, int left, int top, int width, const QString& caption)
{
    return {name, member,  ControlKind::Label, container, tab, left, top, width,
            270,  caption, labelFont};
}

std::vector<QString> names(std::initializer_list<const char*> controls)
{
    std::vector<QString> result;
    for (const char* control : controls)
        result.push_back(QString::fromLatin1(control));
    return result;
}

ControlRow frame(int tab, int top, const char* caption)
{
    return {frame1, &WindowControls::Frame1,      ControlKind::Frame, window, tab, 120, top, 7800,
            1230,   QString::fromLatin1(caption), std::nullopt};
}
} // namespace

const WindowLayout& form1Layout()
{
    static const WindowLayout layout{
        QStringLiteral("Form1"),
        QStringLiteral("Form1"),
        8040,
        2970,
        TitleBarButtons::MinimiseAndClose,
        windowFont,
        {
            {QStringLiteral("dtpDate"),
             &WindowControls::dtpDate,
             ControlKind::DatePicker,
             frame1,
             0,
             180,
             300,
             7440,
             345,
             {},
             std::nullopt},
            {QStringLiteral("dtpTime"),
             &WindowControls::dtpTime,
             ControlKind::TimePicker,
             frame2,
             1,
             180,
             300,
             7440,
             375,
             {},
             std::nullopt},
            button("PushButton2", &WindowControls::PushButton2, 2, 1935, "Count Time Elapsed"),
            button("PushButton1", &WindowControls::PushButton1, 3, 2450, "Count Remaining Time"),
            {frame1, &WindowControls::Frame1, ControlKind::Frame, window, 4, 120, 120, 7800, 780,
             QStringLiteral("Date"), std::nullopt},
            {frame2, &WindowControls::Frame2, ControlKind::Frame, window, 5, 120, 990, 7800, 830,
             QStringLiteral("Time"), std::nullopt},
        },
        names({"Frame1", "dtpDate", "Frame2", "dtpTime", "PushButton2", "PushButton1"})};
    return layout;
}

namespace {
// What sets the two counter windows apart; all else they share.
struct CounterDifferences
{
    const char* name;
    const char* title;
    const char* frameCaption;
    const char* suffix;     // of the breakdown labels' names
    int rise;               // twips higher from the top labels down, and the window shorter
    bool labelTabsReversed; // the labels' tab indexes run the other way; labels take no focus
};

WindowLayout counterLayout(const CounterDifferences& differences)
{
    const int rise = differences.rise;
    // Of `count` labels from tab index `first`, the tab index of the one at `index`.
    const auto tab = [&](int first, int index, int count) {
        return first + (differences.labelTabsReversed ? count - 1 - index : index);
    };
    const auto figure = [&](const char* name) {
        return QStringLiteral("lbl%1%2").arg(QLatin1StringView(name),
                                             QLatin1StringView(differences.suffix));
    };
    const auto entered = QStringLiteral("lblDateTimeEntered");
    const auto clock = QStringLiteral("lblCurrentDate");
    return {QString::fromLatin1(differences.name),
            QString::fromLatin1(differences.title),
            8040,
            3570 - rise,
            TitleBarButtons::CloseOnly,
            windowFont,
            {
                frame(0, 1200 - rise, differences.frameCaption),
                label(figure("Days"), &WindowControls::lblDays, frame1, tab(1, 0, 4), 135, 270, 720,
                      idleBreakdownCaption(0)),
                label(figure("Hours"), &WindowControls::lblHours, frame1, tab(1, 1, 4), 135, 765,
                      855, idleBreakdownCaption(1)),
                label(figure("Minutes"), &WindowControls::lblMinutes, frame1, tab(1, 2, 4), 2205,
                      270, 1065, idleBreakdownCaption(2)),
                label(figure("Seconds"), &WindowControls::lblSeconds, frame1, tab(1, 3, 4), 2205,
                      765, 1140, idleBreakdownCaption(3)),
                button("PushButton2", &WindowControls::PushButton2, 5, 2535 - rise, "Start"),
                button("PushButton1", &WindowControls::PushButton1, 6, 3060 - rise, "< Back"),
                label(clock, &WindowControls::lblCurrentDate, window, tab(7, 0, 2), 120, 720 - rise,
                      2025, idleClockCaption()),
                label(entered, &WindowControls::lblDateTimeEntered, window, tab(7, 1, 2), 120,
                      240 - rise, 2055, QStringLiteral("Date/Time Entered:")),
            },
            {entered, clock, frame1, figure("Days"), figure("Hours"), figure("Minutes"),
             figure("Seconds"), QStringLiteral("PushButton2"), QStringLiteral("PushButton1")}};
}
} // namespace

QString idleClockCaption()
{
    return QStringLiteral("Current Date/Time:");
}

QString idleBreakdownCaption(std::size_t figure)
{
    static const std::array<QString, 4> captions{
        QStringLiteral("Day(s):"), QStringLiteral("Hour(s):"), QStringLiteral("Minute(s):"),
        QStringLiteral("Second(s):")};
    return captions.at(figure);
}

const WindowLayout& form2Layout()
{
    static const WindowLayout layout =
        counterLayout({"Form2", "Count Time Elapsed", "Lapsed", "Lapsed", 0, false});
    return layout;
}

const WindowLayout& form3Layout()
{
    static const WindowLayout layout =
        counterLayout({"Form3", "Count Remaining Time", "Remaining (set Time ahead of now)",
                       "Remaining", 120, true});
    return layout;
}
