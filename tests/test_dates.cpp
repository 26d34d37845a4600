// Days as numbers yyyymmdd: built from their parts, read from the register's form, written for
// people, and looked up in times.
#include "fiscalcode/dates.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

TEST(Dates, ADayIsItsYearMonthAndDayAsOneNumber)
{
    static_assert(fiscalcode::dayOf(1974, 1, 1) == 19740101);
    EXPECT_EQ(fiscalcode::dayOf(2024, 12, 31), 20241231);
    EXPECT_EQ(fiscalcode::dayOf(fiscalcode::CalendarDate{29, 2, 2000}), 20000229);
    EXPECT_LT(fiscalcode::dayOf(1999, 12, 31), fiscalcode::dayOf(2000, 1, 1));
}

TEST(Dates, TheRegistersDaysAreReadOnlyWhenTheyAreInTheCalendar)
{
    const struct {
        std::string_view text;
        fiscalcode::Day day;
    } cases[] = {
        {"1861-03-17", 18610317},
        {"9999-12-31", fiscalcode::kForever},
        {"2024-02-29", 20240229},
        {"2023-02-29", 0},
        {"1900-02-29", 0},
        {"2000-02-29", 20000229},
        {"2024-04-31", 0},
        {"2024-13-01", 0},
        {"2024-00-10", 0},
        {"2024-1-01", 0},
        {"2024/01/01", 0},
        {"2024-01-0x", 0},
        {"", 0},
        {"2024-01-011", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fiscalcode::dayFromIso(c.text), c.day) << c.text;
    }
}

TEST(Dates, DaysAreWrittenDayFirst)
{
    EXPECT_EQ(fiscalcode::formatDay(19740101), "01/01/1974");
    EXPECT_EQ(fiscalcode::formatDay(20251231), "31/12/2025");
    EXPECT_EQ(fiscalcode::formatDay(8000704), "04/07/0800");
}

TEST(Dates, TimesHoldTheirFirstAndLastDays)
{
    const fiscalcode::Spans spans = {{18610317, 20140203}, {20200101, fiscalcode::kForever}};
    const struct {
        fiscalcode::Day day;
        bool within;
    } cases[] = {
        {18610316, false}, {18610317, true}, {20140203, true},
        {20140204, false}, {20200101, true}, {fiscalcode::kForever, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fiscalcode::within(spans, c.day), c.within) << c.day;
    }
    EXPECT_FALSE(fiscalcode::within({}, 20000101));
}

} // namespace
