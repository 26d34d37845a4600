#pragma once

#include <array>
#include <cstddef>
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
constexpr int daysInMonth(int month, int year)
{
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leapYear = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leapYear ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// A day read from "yyyy-mm-dd"; 0 when the text is not of that form or not a day of the calendar
// ("2024-02-30").
Day dayFromIso(std::string_view text);

// "dd/mm/yyyy".
std::string formatDay(Day day);

// Times, both days included, in time order.
using Spans = std::vector<std::pair<Day, Day>>;

// Whether one of `spans` holds `day`.
bool within(const Spans& spans, Day day);

// A real day of the calendar, of the years 100 to 9999: no other can be made.
class CalendarDate {
public:
    // A date written in the program's source, checked as it is compiled: CalendarDate{1, 1, 1974}.
    consteval CalendarDate(int dayOfMonth, int month, int year)
        : dayOfMonth_(dayOfMonth), month_(month), year_(year)
    {
        if (!isReal(dayOfMonth, month, year)) {
            throw "not a day of the calendar"; // evaluated while compiling: no such date compiles
        }
    }

    // The date `dayOfMonth`/`month`/`year`, when it is a real one.
    [[nodiscard]] static std::optional<CalendarDate> of(int dayOfMonth, int month, int year);

    int dayOfMonth() const { return dayOfMonth_; }
    int month() const { return month_; }
    int year() const { return year_; }

private:
    struct Checked {};
    constexpr CalendarDate(Checked, int dayOfMonth, int month, int year)
        : dayOfMonth_(dayOfMonth), month_(month), year_(year)
    {}
    static constexpr bool isReal(int dayOfMonth, int month, int year)
    {
        return year >= 100 && year <= 9999 && month >= 1 && month <= 12 && dayOfMonth >= 1 &&
               dayOfMonth <= daysInMonth(month, year);
    }

    int dayOfMonth_;
    int month_;
    int year_;
};

// Reads a date of birth the way Italian regional settings read it: day/month/year, day first,
// with one or two digits for day and month and two or four for the year (two-digit years fall in
// 1930-2029); a four-digit year may also come first (yyyy/mm/dd). Only real calendar dates of the
// years 100 to 9999 are accepted.
[[nodiscard]] std::optional<CalendarDate> readBirthDate(std::string_view text);

// The date as dd/mm/yyyy.
std::string formatBirthDate(const CalendarDate& date);

// The date as the number yyyymmdd.
Day dayOf(const CalendarDate& date);

// Today's local date, yyyymmdd.
Day today();

} // namespace fiscalcode
