#include "fiscalcode/verification.h"

#include "fiscalcode/fiscalcode.h"
#include "text/textfold.h"

#include <algorithm>

namespace fiscalcode {
namespace {

constexpr std::size_t kCodeLength = 16;
constexpr std::string_view kOmocodiaLetters = "LMNPQRSTUV";
constexpr std::size_t kYearPlace = 6;
constexpr std::size_t kMonthPlace = 8;
constexpr std::size_t kDayPlace = 9;
constexpr std::size_t kCadastralPlace = 11;
constexpr std::size_t kCheckPlace = 15;
// Nobody alive when fiscal codes were first given out was born earlier.
constexpr int kEarliestBirthYear = 1800;

constexpr std::array<bool, kCodeLength> makeDigitPlaces()
{
    std::array<bool, kCodeLength> digitPlaces{};
    for (std::size_t place : kOmocodiaPlaces) {
        digitPlaces[place] = true;
    }
    return digitPlaces;
}

constexpr std::array<bool, kCodeLength> kDigitPlaces = makeDigitPlaces();

bool isCapital(char32_t c)
{
    return c >= 'A' && c <= 'Z';
}

// The number written in the two digit places from `at` of a well formed code, omocodia letters
// read as their digits.
int twoDigits(std::string_view code, std::size_t at)
{
    return (omocodiaDigit(code[at]) - '0') * 10 + (omocodiaDigit(code[at + 1]) - '0');
}

// The character at byte `pos` of `text`, moving `pos` past it; plain ASCII, the usual case, without
// a call.
char32_t nextCharacter(std::string_view text, std::size_t& pos)
{
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte < 0x80) {
        ++pos;
        return byte;
    }
    return text::nextCharacter(text, pos);
}

// The first fault of the characters of `code` (blanks around already left out), if any.
std::optional<CodeFault> formFault(std::string_view code)
{
    std::size_t length = 0;
    for (std::size_t pos = 0; pos < code.size(); ++length) {
        nextCharacter(code, pos);
    }
    if (length != kCodeLength) {
        return CodeFault{.kind = CodeFault::Kind::Length, .length = length};
    }
    std::size_t place = 0;
    for (std::size_t pos = 0; pos < code.size(); ++place) {
        const std::size_t start = pos;
        const char32_t c = nextCharacter(code, pos);
        const bool allowed = kDigitPlaces[place]
                                 ? c < 0x80 && omocodiaDigit(static_cast<char>(c)) != 0
                                 : isCapital(c);
        if (!allowed) {
            const std::string_view written = code.substr(start, pos - start);
            return CodeFault{.kind = CodeFault::Kind::Character,
                             .character = text::isCharacter(c) ? std::string(written)
                                                               : std::string("\xEF\xBF\xBD"),
                             .place = place};
        }
    }
    return std::nullopt;
}

// The birth day of a code's two year digits, month and day; see checkFiscalCode. 0 when that
// day exists in no year.
Day birthDayOf(int yearDigits, int month, int day, const Spans* timesInForce, Day today)
{
    constexpr int kLeapYear = 2000;
    if (day > daysInMonth(month, kLeapYear)) {
        return 0;
    }
    const int thisYear = today / 10000;
    int year = thisYear - ((thisYear - yearDigits) % 100 + 100) % 100;
    if (dayOf(year, month, day) > today) {
        year -= 100;
    }
    Day latest = 0;
    for (; year >= kEarliestBirthYear; year -= 100) {
        if (day > daysInMonth(month, year)) {
            continue; // 29 February
        }
        const Day candidate = dayOf(year, month, day);
        if (latest == 0) {
            latest = candidate;
        }
        if (!timesInForce || timesInForce->empty() || candidate < timesInForce->front().first) {
            break;
        }
        if (within(*timesInForce, candidate)) {
            return candidate;
        }
    }
    return latest;
}

} // namespace

bool isDigitPlace(std::size_t place)
{
    return place < kCodeLength && kDigitPlaces[place];
}

char omocodiaLetter(char digit)
{
    return digit >= '0' && digit <= '9' ? kOmocodiaLetters[static_cast<std::size_t>(digit - '0')]
                                        : digit;
}

char omocodiaDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c;
    }
    const std::size_t at = kOmocodiaLetters.find(c);
    return at == std::string_view::npos ? 0 : static_cast<char>('0' + at);
}

std::string CheckedCode::birthDate() const
{
    return formatDay(birthDay);
}

std::string baseCode(std::string_view code)
{
    std::string base(code.substr(0, kCheckPlace));
    for (std::size_t place : kOmocodiaPlaces) {
        if (place < base.size()) {
            if (const char digit = omocodiaDigit(base[place])) {
                base[place] = digit;
            }
        }
    }
    base += CheckCharacter(base);
    return base;
}

std::array<std::string, 7> omocodiaVariants(std::string_view baseCode)
{
    std::array<std::string, 7> variants;
    std::string body(baseCode.substr(0, kCheckPlace));
    for (std::size_t i = 0; i < variants.size(); ++i) {
        const std::size_t place = kOmocodiaPlaces[i];
        if (place < body.size()) {
            body[place] = omocodiaLetter(body[place]);
        }
        variants[i] = body + CheckCharacter(body);
    }
    return variants;
}

CheckedCode checkFiscalCode(std::string_view text, Day today, const TimesInForce& timesInForce)
{
    CheckedCode checked;
    checkFiscalCode(text, today, timesInForce, checked);
    return checked;
}

void checkFiscalCode(std::string_view text, Day today, const TimesInForce& timesInForce,
                     CheckedCode& checked)
{
    checked.code = text::capitals(text::trimmed(text));
    checked.fault.reset();
    checked.baseCode.clear();
    checked.sex.reset();
    checked.birthDay = 0;
    checked.cadastralCode.clear();
    const std::string& code = checked.code;
    if ((checked.fault = formFault(code))) {
        return;
    }
    const std::size_t month = kMonthLetters.find(code[kMonthPlace]);
    if (month == std::string_view::npos) {
        checked.fault = {.kind = CodeFault::Kind::MonthLetter,
                         .character = std::string(1, code[kMonthPlace])};
        return;
    }
    const int dayDigits = twoDigits(code, kDayPlace);
    const bool woman = dayDigits > kWomansDayOffset;
    const int day = woman ? dayDigits - kWomansDayOffset : dayDigits;
    if (day < 1 || day > 31) {
        checked.fault = {.kind = CodeFault::Kind::Day, .number = dayDigits};
        return;
    }
    const char cadastralCode[] = {code[kCadastralPlace], omocodiaDigit(code[kCadastralPlace + 1]),
                                  omocodiaDigit(code[kCadastralPlace + 2]),
                                  omocodiaDigit(code[kCadastralPlace + 3])};
    const Spans* times = timesInForce
                             ? timesInForce(std::string_view(cadastralCode, sizeof cadastralCode))
                             : nullptr;
    const int yearDigits = twoDigits(code, kYearPlace);
    const Day birthDay = birthDayOf(yearDigits, static_cast<int>(month) + 1, day, times, today);
    if (birthDay == 0) {
        checked.fault = {.kind = CodeFault::Kind::Date,
                         .number = day,
                         .month = static_cast<int>(month) + 1,
                         .year = yearDigits};
        return;
    }
    if (const char expected = CheckCharacter(code); code[kCheckPlace] != expected) {
        checked.fault = {.kind = CodeFault::Kind::CheckCharacter,
                         .character = std::string(1, code[kCheckPlace]),
                         .expected = expected};
        return;
    }
    const bool omocodia = std::any_of(kOmocodiaPlaces.begin(), kOmocodiaPlaces.end(),
                                      [&](std::size_t place) { return code[place] > '9'; });
    checked.baseCode = omocodia ? baseCode(code) : code;
    checked.sex = woman ? Sex::Female : Sex::Male;
    checked.birthDay = birthDay;
    checked.cadastralCode.assign(cadastralCode, sizeof cadastralCode);
}

} // namespace fiscalcode
