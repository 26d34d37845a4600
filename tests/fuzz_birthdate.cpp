// Fuzz target for the reader of dates of birth: any text gives a real day of the calendar, or
// none; and a date read is read again, the same, from the form in which it is written back.
#include "fiscalcode/dates.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto date = fiscalcode::readBirthDate(text);
    if (!date) {
        return 0;
    }
    check(date->year() >= 100 && date->year() <= 9999);
    check(date->month() >= 1 && date->month() <= 12);
    check(date->dayOfMonth() >= 1 &&
          date->dayOfMonth() <= fiscalcode::daysInMonth(date->month(), date->year()));
    const auto again = fiscalcode::readBirthDate(fiscalcode::formatBirthDate(*date));
    check(again && fiscalcode::dayOf(*again) == fiscalcode::dayOf(*date));
    return 0;
}
