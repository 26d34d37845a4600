#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Days as the fiscal code and the register of municipalities count them.
namespace fiscalcode {

// A day as the number yyyymmdd, so that days compare as numbers: 19800101.
using Day = std::int32_t;

// The end of a period still in force, 9999-12-31.
inline constexpr Day kForever = 99991231;

// The day `dayOfMonth` of `month` (1 to 12) of `year`, as a Day.
constexpr Day dayOf(int year, int month, int dayOfMonth)
{
    return year * 10000 + month * 100 + dayOfMonth;
}

// The number of days of `month` (1 to 12) in `year`, leap years counted.
int daysInMonth(int month, int year);

// A day read from "yyyy-mm-dd"; 0 when the text is not of that form or not a day of the calendar
// ("2024-02-30").
Day dayFromIso(std::string_view text);

// "dd/mm/yyyy".
std::string formatDay(Day day);

// Times, both days included, in time order.
using Spans = std::vector<std::pair<Day, Day>>;

// Whether one of `spans` holds `day`.
bool within(const Spans& spans, Day day);

struct CalendarDate {
    int day = 0;
    int month = 0;
    int year = 0;
};

// Reads a date of birth the way Italian regional settings read it: day/month/year, day first,
// with one or two digits for day and month and two or four for the year (two-digit years fall in
// 1930-2029); a four-digit year may also come first (yyyy/mm/dd). Only real calendar dates of the
// years 100 to 9999 are accepted.
std::optional<CalendarDate> readBirthDate(std::string_view text);

// The date as dd/mm/yyyy.
std::string formatBirthDate(const CalendarDate& date);

// The date as the number yyyymmdd.
Day dayOf(const CalendarDate& date);

// Today's local date, yyyymmdd.
Day today();

} // namespace fiscalcode
