#include "data/birthplaces.h"

#include "data/catalogue.h"
#include "data/database.h"
#include "data/likepattern.h"
#include "data/textfold.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <optional>

namespace refdata {
namespace {

constexpr std::string_view kForeignProvince = "EE";

bool isVowel(char32_t c)
{
    return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U';
}

bool isApostrophe(char32_t c)
{
    return c == '\'' || c == 0x2019 || c == 0x2018 || c == 0x02BC || c == 0x0060 || c == 0x00B4;
}

bool isBlank(char32_t c)
{
    return c == ' ' || c == '\t' || c == 0x00A0;
}

// Letters and digits continue a word; whatever else ends it.
bool continuesWord(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c >= 0x80 && c <= 0x10FFFF);
}

// The province in brackets that ends `text` ("CASTRO (LE)"), and the text before it.
struct ProvinceSuffix {
    std::string_view name;
    std::string province;
};

std::optional<ProvinceSuffix> splitProvince(std::string_view text)
{
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    if (text.size() < 4 || text.back() != ')' || text[text.size() - 4] != '(') {
        return std::nullopt;
    }
    std::string province = capitals(text.substr(text.size() - 3, 2));
    if (!std::all_of(province.begin(), province.end(),
                     [](char c) { return c >= 'A' && c <= 'Z'; })) {
        return std::nullopt;
    }
    std::string_view name = text.substr(0, text.size() - 4);
    while (!name.empty() && name.back() == ' ') {
        name.remove_suffix(1);
    }
    return ProvinceSuffix{name, std::move(province)};
}

int dayNumber(Day day)
{
    // Days since a fixed origin, for "the day after": the civil calendar's day count.
    int year = day / 10000;
    const int month = day / 100 % 100;
    const int dayOfMonth = day % 100;
    year -= month <= 2;
    const int era = (year >= 0 ? year : year - 399) / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + dayOfMonth - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra;
}

// The periods of a code joined where one begins the day after the other ends.
std::vector<std::pair<Day, Day>> spans(const std::vector<Period>& periods)
{
    std::vector<std::pair<Day, Day>> spans;
    for (const Period& period : periods) {
        if (!spans.empty() && dayNumber(period.from) <= dayNumber(spans.back().second) + 1) {
            spans.back().second = std::max(spans.back().second, period.to);
        } else {
            spans.emplace_back(period.from, period.to);
        }
    }
    return spans;
}

} // namespace

bool isCadastralCode(std::string_view code)
{
    return code.size() == 4 && code[0] >= 'A' && code[0] <= 'Z' &&
           std::all_of(code.begin() + 1, code.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int daysInMonth(int month, int year)
{
    constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leapYear = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leapYear ? 29 : kDays[month - 1];
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

std::string nameKey(std::string_view name)
{
    std::string key;
    key.reserve(name.size());
    bool pendingBlank = false;
    char32_t previous = 0;
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t c = baseLetter(nextCharacter(name, pos));
        if (isBlank(c)) {
            pendingBlank = !key.empty();
            previous = ' ';
            continue;
        }
        if (isApostrophe(c)) {
            std::size_t next = pos;
            const bool endsWord =
                next == name.size() || !continuesWord(baseLetter(nextCharacter(name, next)));
            if (isVowel(previous) && endsWord) {
                continue; // CANTU' is CANTÙ
            }
        }
        if (pendingBlank) {
            key += ' ';
            pendingBlank = false;
        }
        appendUtf8(key, isApostrophe(c) ? U'\'' : c);
        previous = c;
    }
    return key;
}

bool Place::isForeign() const
{
    return hasHistory() && history->periods.back().province == kForeignProvince;
}

bool CodeHistory::inForce(Day day) const
{
    return std::any_of(spans.begin(), spans.end(),
                       [day](const auto& span) { return span.first <= day && day <= span.second; });
}

const Period& CodeHistory::periodOn(Day day) const
{
    for (const Period& period : periods) {
        if (period.from <= day && day <= period.to) {
            return period;
        }
    }
    return periods.back();
}

bool Place::inForce(Day day) const
{
    if (onlySpan.first != 0) {
        return onlySpan.first <= day && day <= onlySpan.second;
    }
    return !hasHistory() || history->inForce(day);
}

std::string Place::provinceOn(Day day) const
{
    return hasHistory() ? history->periodOn(day).province : std::string();
}

namespace {

std::string spanText(const std::pair<Day, Day>& span)
{
    std::string text = "dal " + formatDay(span.first);
    if (span.second < kForever) {
        text += " al " + formatDay(span.second);
    }
    return text;
}

} // namespace

std::string Place::periodsText() const
{
    if (!hasHistory()) {
        return "senza storia";
    }
    if (isForeign()) {
        const Day end = history->periods.back().to;
        return end >= kForever ? "stato estero"
                               : "stato estero cessato nel " + std::to_string(end / 10000);
    }
    std::string text;
    for (const auto& span : history->spans) {
        text += (text.empty() ? "" : ", ") + spanText(span);
    }
    return text;
}

std::string Place::periodOnText(Day day) const
{
    if (hasHistory() && !isForeign()) {
        for (const auto& span : history->spans) {
            if (span.first <= day && day <= span.second) {
                return spanText(span);
            }
        }
    }
    return periodsText();
}

std::string Place::describe(Day day) const
{
    const std::string province = provinceOn(day);
    return province.empty() ? name : name + " (" + province + ")";
}

BirthplaceIndex::BirthplaceIndex(const std::vector<MunicipalityRow>& municipalities,
                                 const std::vector<PeriodRow>& periods)
{
    for (const PeriodRow& row : periods) {
        histories_[capitals(row.code)].periods.push_back(row.period);
    }
    for (auto& [code, history] : histories_) {
        std::stable_sort(history.periods.begin(), history.periods.end(),
                         [](const Period& a, const Period& b) { return a.from < b.from; });
        history.spans = spans(history.periods);
    }
    places_.reserve(municipalities.size());
    for (const MunicipalityRow& row : municipalities) {
        const CodeHistory* own = history(capitals(row.code));
        const bool oneSpan = own && own->spans.size() == 1;
        places_.push_back(
            {row.name, row.code, own, oneSpan ? own->spans[0] : std::pair<Day, Day>()});
    }
    const auto add = [this](const std::string& name, std::uint32_t place) {
        auto& list = names_[nameKey(name)];
        const std::string& code = places_[place].code;
        const bool known = std::any_of(list.begin(), list.end(), [&](std::uint32_t other) {
            return capitals(places_[other].code) == capitals(code);
        });
        if (!known) {
            list.push_back(place);
        }
    };
    for (std::uint32_t i = 0; i < places_.size(); ++i) {
        add(places_[i].name, i);
    }
    for (std::uint32_t i = 0; i < places_.size(); ++i) {
        if (!places_[i].hasHistory()) {
            continue;
        }
        for (const Period& period : places_[i].history->periods) {
            if (!period.alternativeName.empty()) {
                add(period.alternativeName, i);
            }
        }
    }
}

BirthplaceIndex BirthplaceIndex::read(const Database& database)
{
    std::vector<MunicipalityRow> municipalities;
    std::vector<PeriodRow> history;
    database.inSnapshot([&] {
        database.eachRow(catalogue::kAllMunicipalities, [&](sqlite3_stmt* row) {
            municipalities.push_back({columnText(row, 0), columnText(row, 1)});
        });
        if (database.hasTable(catalogue::kHistoryTable)) {
            database.eachRow(catalogue::kAllPeriods, [&](sqlite3_stmt* row) {
                history.push_back({columnText(row, 0),
                                   {dayFromIso(columnText(row, 4)), dayFromIso(columnText(row, 5)),
                                    columnText(row, 1), columnText(row, 2), columnText(row, 3)}});
            });
        }
    });
    return BirthplaceIndex(municipalities, history);
}

BirthplaceIndex BirthplaceIndex::read(const std::string& databaseName)
{
    return read(Database(databaseName, Access::ReadOnly));
}

const CodeHistory* BirthplaceIndex::history(std::string_view code) const
{
    const auto found = histories_.find(std::string(code));
    return found == histories_.end() ? nullptr : &found->second;
}

std::vector<const Place*> BirthplaceIndex::byName(std::string_view text) const
{
    std::vector<const Place*> places;
    const auto found = names_.find(nameKey(text));
    if (found != names_.end()) {
        for (std::uint32_t i : found->second) {
            places.push_back(&places_[i]);
        }
    }
    return places;
}

std::vector<const Place*> BirthplaceIndex::byPattern(std::string_view text) const
{
    const LikePattern pattern(SostituisciApici(text));
    std::vector<const Place*> places;
    for (const Place& place : places_) {
        if (pattern.matches(place.name)) {
            const bool known = std::any_of(places.begin(), places.end(), [&](const Place* other) {
                return capitals(other->code) == capitals(place.code);
            });
            if (!known) {
                places.push_back(&place);
            }
        }
    }
    return places;
}

BirthplaceIndex::NamedPlaces BirthplaceIndex::candidates(std::string_view place) const
{
    // A name that itself ends in brackets ("ISOLE COOK (NZ)") is a name, not a province.
    if (auto exact = byName(place); !exact.empty()) {
        return {std::move(exact), {}};
    }
    const auto suffix = splitProvince(place);
    const std::string_view name = suffix ? suffix->name : place;
    std::string province = suffix ? suffix->province : std::string();
    if (suffix) {
        if (auto exact = byName(name); !exact.empty()) {
            return {std::move(exact), std::move(province)};
        }
    }
    return {byPattern(name), std::move(province)};
}

Birthplace BirthplaceIndex::choose(const NamedPlaces& named, Day day, std::string_view province)
{
    using Outcome = Birthplace::Outcome;
    if (named.places.empty()) {
        return {Outcome::NotFound, {}};
    }
    const bool anyProvince = !named.province.empty() || !province.empty();
    if (named.places.size() == 1 && !anyProvince) { // the usual case, without copies
        const Place* place = named.places.front();
        return {place->inForce(day) ? Outcome::Found : Outcome::NotInForce, named.places};
    }
    std::vector<const Place*> inForce;
    for (const Place* place : named.places) {
        if (place->inForce(day)) {
            inForce.push_back(place);
        }
    }
    if (inForce.empty()) {
        return {Outcome::NotInForce, named.places};
    }
    std::vector<const Place*> left = inForce;
    for (std::string_view wanted : {std::string_view(named.province), province}) {
        if (wanted.empty()) {
            continue;
        }
        std::vector<const Place*> known;
        std::vector<const Place*> unknown;
        for (const Place* place : left) {
            if (!place->hasHistory()) {
                unknown.push_back(place);
            } else if (place->provinceOn(day) == wanted ||
                       place->history->periods.back().province == wanted) {
                known.push_back(place);
            }
        }
        // A row without history has no province: it stands only when no other one does.
        left = known.empty() ? unknown : known;
    }
    if (left.empty()) {
        return {Outcome::NotInProvince, inForce};
    }
    return {left.size() == 1 ? Outcome::Found : Outcome::Ambiguous, left};
}

Birthplace BirthplaceIndex::resolve(std::string_view place, Day day,
                                    std::string_view province) const
{
    return choose(candidates(place), day, province);
}

} // namespace refdata
