#pragma once

// The twelve-hour clock beside the hour from midnight (0 to 23) that values hold: a clock face
// shows 1 to 12, and the half of the day tells the morning from the afternoon.

// 12 for midnight and noon, 1 to 11 after them.
constexpr int clockFaceHour(int fromMidnight)
{
    return (fromMidnight + 11) % 12 + 1;
}

constexpr bool isPm(int fromMidnight)
{
    return fromMidnight >= 12;
}

// The hour from midnight that a clock face's 1 to 12 names in the morning or the afternoon.
constexpr int hour24(int clockFace, bool pm)
{
    return clockFace % 12 + (pm ? 12 : 0);
}
