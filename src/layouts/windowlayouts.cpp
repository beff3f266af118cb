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

ControlRow label(const char* name, ControlMember<Label> member, const QString& container, int tab,
                 int left, int top, int width, const char* caption)
{
    return {QString::fromLatin1(name),
            member,
            ControlKind::Label,
            container,
            tab,
            left,
            top,
            width,
            270,
            QString::fromLatin1(caption),
            labelFont};
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

const WindowLayout& form2Layout()
{
    static const WindowLayout layout{
        QStringLiteral("Form2"),
        QStringLiteral("Count Time Elapsed"),
        8040,
        3570,
        TitleBarButtons::CloseOnly,
        windowFont,
        {
            frame(0, 1200, "Lapsed"),
            label("lblDaysLapsed", &WindowControls::lblDays, frame1, 1, 135, 270, 720, "Day(s):"),
            label("lblHoursLapsed", &WindowControls::lblHours, frame1, 2, 135, 765, 855,
                  "Hour(s):"),
            label("lblMinutesLapsed", &WindowControls::lblMinutes, frame1, 3, 2205, 270, 1065,
                  "Minute(s):"),
            label("lblSecondsLapsed", &WindowControls::lblSeconds, frame1, 4, 2205, 765, 1140,
                  "Second(s):"),
            button("PushButton2", &WindowControls::PushButton2, 5, 2535, "Start"),
            button("PushButton1", &WindowControls::PushButton1, 6, 3060, "< Back"),
            label("lblCurrentDate", &WindowControls::lblCurrentDate, window, 7, 120, 720, 2025,
                  "Current Date/Time:"),
            label("lblDateTimeEntered", &WindowControls::lblDateTimeEntered, window, 8, 120, 240,
                  2055, "Date/Time Entered:"),
        },
        names({"lblDateTimeEntered", "lblCurrentDate", "Frame1", "lblDaysLapsed", "lblHoursLapsed",
               "lblMinutesLapsed", "lblSecondsLapsed", "PushButton2", "PushButton1"})};
    return layout;
}

const WindowLayout& form3Layout()
{
    static const WindowLayout layout{
        QStringLiteral("Form3"),
        QStringLiteral("Count Remaining Time"),
        8040,
        3450,
        TitleBarButtons::CloseOnly,
        windowFont,
        {
            frame(0, 1080, "Remaining (set Time ahead of now)"),
            label("lblSecondsRemaining", &WindowControls::lblSeconds, frame1, 1, 2205, 765, 1140,
                  "Second(s):"),
            label("lblMinutesRemaining", &WindowControls::lblMinutes, frame1, 2, 2205, 270, 1065,
                  "Minute(s):"),
            label("lblHoursRemaining", &WindowControls::lblHours, frame1, 3, 135, 765, 855,
                  "Hour(s):"),
            label("lblDaysRemaining", &WindowControls::lblDays, frame1, 4, 135, 270, 720,
                  "Day(s):"),
            button("PushButton2", &WindowControls::PushButton2, 5, 2415, "Start"),
            button("PushButton1", &WindowControls::PushButton1, 6, 2940, "< Back"),
            label("lblDateTimeEntered", &WindowControls::lblDateTimeEntered, window, 7, 120, 120,
                  2055, "Date/Time Entered:"),
            label("lblCurrentDate", &WindowControls::lblCurrentDate, window, 8, 120, 600, 2025,
                  "Current Date/Time:"),
        },
        names({"lblDateTimeEntered", "lblCurrentDate", "Frame1", "lblDaysRemaining",
               "lblHoursRemaining", "lblMinutesRemaining", "lblSecondsRemaining", "PushButton2",
               "PushButton1"})};
    return layout;
}
