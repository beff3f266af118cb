#pragma once

// A date and a time of day as separate numbers, before they are known to make a value: while it
// is typed, a day may be 31 in any month, and a text read may name a day its month lacks.
struct DateTimeParts
{
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};
