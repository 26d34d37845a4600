#include "fiscalcode/dates.h"

#include <algorithm>
#include <array>
#include <ctime>

namespace fiscalcode {
namespace {

// Splits "12/3/1974" into its digit groups; nullopt unless it is three groups of digits.
std::optional<std::array<std::string_view, 3>> splitDate(std::string_view text)
{
    std::array<std::string_view, 3> parts;
    std::size_t count = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            continue;
        }
        if ((i < text.size() && text[i] != '/') || i == start || count == parts.size()) {
            return std::nullopt;
        }
        parts[count++] = text.substr(start, i - start);
        start = i + 1;
    }
    return count == parts.size() ? std::optional(parts) : std::nullopt;
}

bool isNormalForm(std::string_view text)
{
    if (text.size() != 10 || text[2] != '/' || text[5] != '/') {
        return false;
    }
    for (std::size_t i : {0, 1, 3, 4, 6, 7, 8, 9}) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

int number(std::string_view digits)
{
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<CalendarDate> CalendarDate::of(int dayOfMonth, int month, int year)
{
    if (!isReal(dayOfMonth, month, year)) {
        return std::nullopt;
    }
    return CalendarDate(Checked{}, dayOfMonth, month, year);
}

Day dayFromIso(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return 0;
    }
    Day day = 0;
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9') {
            return 0;
        }
        day = day * 10 + (text[i] - '0');
    }
    const int month = day / 100 % 100;
    const bool inCalendar =
        month >= 1 && month <= 12 && day % 100 >= 1 && day % 100 <= daysInMonth(month, day / 10000);
    return inCalendar ? day : 0;
}

std::string formatDay(Day day)
{
    std::string text = "00/00/0000";
    const auto digits = [&text](std::size_t at, int value, int count) {
        for (int i = count - 1; i >= 0; --i, value /= 10) {
            text[at + static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
        }
    };
    digits(0, day % 100, 2);
    digits(3, day / 100 % 100, 2);
    digits(6, day / 10000, 4);
    return text;
}

bool within(const Spans& spans, Day day)
{
    return std::any_of(spans.begin(), spans.end(),
                       [day](const auto& span) { return span.first <= day && day <= span.second; });
}

std::optional<CalendarDate> readBirthDate(std::string_view text)
{
    if (isNormalForm(text)) { // dd/mm/yyyy, as nearly every date arrives
        return CalendarDate::of(number(text.substr(0, 2)), number(text.substr(3, 2)),
                                number(text.substr(6, 4)));
    }
    const auto parts = splitDate(text);
    if (!parts) {
        return std::nullopt;
    }
    const auto [first, second, third] = *parts;
    if (first.size() == 4 && second.size() <= 2 && third.size() <= 2) {
        return CalendarDate::of(number(third), number(second), number(first));
    }
    if (first.size() > 2 || second.size() > 2 || (third.size() != 2 && third.size() != 4)) {
        return std::nullopt;
    }
    int year = number(third);
    if (third.size() == 2) {
        year += year < 30 ? 2000 : 1900;
    }
    return CalendarDate::of(number(first), number(second), year);
}

std::string formatBirthDate(const CalendarDate& date)
{
    return formatDay(dayOf(date));
}

Day dayOf(const CalendarDate& date)
{
    return dayOf(date.year(), date.month(), date.dayOfMonth());
}

Day today()
{
    // Read from the clock at most once a second: a batch asks it for every person.
    thread_local std::time_t readAt = -1;
    thread_local Day day = 0;
    const std::time_t now = std::time(nullptr);
    if (now != readAt) {
        std::tm local{};
#ifdef _WIN32
        localtime_s(&local, &now);
#else
        localtime_r(&now, &local);
#endif
        readAt = now;
        day = dayOf(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    }
    return day;
}

} // namespace fiscalcode
