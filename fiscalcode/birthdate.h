#pragma once

#include "data/birthplaces.h"

#include <optional>
#include <string>
#include <string_view>

namespace fiscalcode {

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

using refdata::daysInMonth;

// The date as dd/mm/yyyy.
std::string formatBirthDate(const CalendarDate& date);

// The date as the number yyyymmdd.
refdata::Day dayOf(const CalendarDate& date);

// Today's local date, yyyymmdd.
refdata::Day today();

} // namespace fiscalcode
