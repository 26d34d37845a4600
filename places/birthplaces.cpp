#include "places/birthplaces.h"

#include "text/likepattern.h"
#include "text/textfold.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <unordered_set>

namespace places {
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

bool isCombiningMark(char32_t c)
{
    return c >= 0x0300 && c <= 0x036F;
}

// Letters and digits continue a word; whatever else ends it.
bool continuesWord(char32_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c >= 0x80 && c <= 0x10FFFF);
}

bool endsWord(std::string_view text, std::size_t pos)
{
    return pos == text.size() || !continuesWord(text::baseLetter(text::nextCharacter(text, pos)));
}

// Appends `c` as a name's key holds it (see nameKey), or its spelling (see spellingKey); returns
// the letter it ends with, for the apostrophe that may follow.
char32_t appendFolded(std::string& key, char32_t c, bool spelling)
{
    if (isApostrophe(c)) {
        key += '\'';
        return '\'';
    }
    if (c < 0x80) { // as most names are written
        const char32_t capital = c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
        key += static_cast<char>(capital);
        return capital;
    }
    const text::PlainForm form = text::plainFormOf(c);
    if (form.kind != text::PlainForm::Kind::Letters) {
        const char32_t base = text::baseLetter(c);
        text::appendUtf8(key, base);
        return base;
    }
    if (spelling && c >= 0x80) {
        if (form.letters.size() == 1 && isVowel(static_cast<char32_t>(form.letters[0]))) {
            key += form.letters;
            key += '\''; // an accented vowel, as typed without accents
            return '\'';
        }
        const char32_t capital = text::upperCase(c);
        text::appendUtf8(key, capital);
        return capital;
    }
    key += form.letters;
    return static_cast<char32_t>(form.letters.back());
}

// Whether `name` is its own key and spelling, as most names of the register are: capitals A-Z,
// hyphens, single blanks between words, apostrophes other than a vowel's at the end of a word.
bool isOwnKey(std::string_view name)
{
    const auto capital = [](char c) {
        return c >= 'A' && c <= 'Z';
    };
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool fits = capital(c) || c == '-' ||
                          (c == ' ' && i > 0 && i + 1 < name.size() && name[i - 1] != ' ') ||
                          (c == '\'' && i > 0 &&
                           (!isVowel(static_cast<unsigned char>(name[i - 1])) ||
                            (i + 1 < name.size() && capital(name[i + 1]))));
        if (!fits) {
            return false;
        }
    }
    return true;
}

std::string foldName(std::string_view name, bool spelling)
{
    if (isOwnKey(name)) {
        return std::string(name);
    }
    std::string key;
    key.reserve(name.size());
    bool pendingBlank = false;
    char32_t previous = 0;
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t c = text::nextCharacter(name, pos);
        if (isBlank(c)) {
            pendingBlank = !key.empty();
            previous = ' ';
            continue;
        }
        if (isCombiningMark(c)) {
            if (spelling && isVowel(previous)) {
                key += '\'';
                previous = '\'';
            }
            continue;
        }
        if (!spelling && isApostrophe(c) && isVowel(previous) && endsWord(name, pos)) {
            continue; // CANTU' is CANTÙ
        }
        if (pendingBlank) {
            key += ' ';
            pendingBlank = false;
        }
        previous = appendFolded(key, c, spelling);
    }
    return key;
}

bool isProvince(std::string_view text)
{
    return text.size() == 2 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
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

// The times of the periods that `keep` accepts, joined where one begins the day after the other
// ends.
template <typename Keep> Spans joinedSpans(const std::vector<Period>& periods, Keep&& keep)
{
    Spans spans;
    for (std::size_t i = 0; i < periods.size(); ++i) {
        const Period& period = periods[i];
        if (!keep(i)) {
            continue;
        }
        if (!spans.empty() && dayNumber(period.from) <= dayNumber(spans.back().second) + 1) {
            spans.back().second = std::max(spans.back().second, period.to);
        } else {
            spans.emplace_back(period.from, period.to);
        }
    }
    return spans;
}

// Not in force on `day`, but before and after it.
bool suspendedOn(const CodeHistory& history, Day day)
{
    return !history.inForce(day) && history.spans.front().first < day &&
           day < history.spans.back().second;
}

// "CASTRO (LE)"; the name alone without a province.
std::string withProvince(const std::string& name, const std::string& province)
{
    std::string text = name;
    if (!province.empty()) {
        text.reserve(name.size() + province.size() + 3);
        text += " (";
        text += province;
        text += ')';
    }
    return text;
}

} // namespace

std::string nameKey(std::string_view name)
{
    return foldName(name, false);
}

std::string spellingKey(std::string_view name)
{
    return foldName(name, true);
}

std::optional<Brackets> splitBrackets(std::string_view text)
{
    text = text::trimmed(text);
    const std::size_t open = text.rfind('(');
    if (text.empty() || text.back() != ')' || open == std::string_view::npos) {
        return std::nullopt;
    }
    return Brackets{text::trimmed(text.substr(0, open)),
                    text::capitals(text.substr(open + 1, text.size() - open - 2))};
}

bool CodeHistory::inForce(Day day) const
{
    return fiscalcode::within(spans, day);
}

const Period* CodeHistory::periodHolding(Day day) const
{
    for (const Period& period : periods) {
        if (period.from <= day && day <= period.to) {
            return &period;
        }
    }
    return nullptr;
}

const Period& CodeHistory::periodOn(Day day) const
{
    const Period* holding = periodHolding(day);
    return holding ? *holding : periods.back();
}

bool Place::isForeign() const
{
    return hasHistory() && history->periods.back().province == kForeignProvince;
}

bool Place::inForce(Day day) const
{
    return !hasHistory() || history->inForce(day);
}

Naming Place::naming(Day day) const
{
    if (!hasHistory()) {
        return Naming::AsNamed;
    }
    const bool named = onlyTimeNamed.first != 0
                           ? onlyTimeNamed.first <= day && day <= onlyTimeNamed.second
                           : fiscalcode::within(timesNamed(), day);
    if (named) {
        return Naming::AsNamed;
    }
    if (history->inForce(day)) {
        return timesNamed().back().first > day ? Naming::LaterName : Naming::EarlierName;
    }
    return suspendedOn(*history, day) ? Naming::Suspended : Naming::NotInForce;
}

std::string Place::provinceOn(Day day) const
{
    return hasHistory() ? history->periodOn(day).province : std::string();
}

std::string Place::describe(Day day) const
{
    if (!hasHistory()) {
        return name;
    }
    const Period* holding = history->periodHolding(day);
    return withProvince(holding ? holding->name : name,
                        (holding ? *holding : history->periods.back()).province);
}

std::string Place::describeAsNamed() const
{
    return withProvince(name,
                        hasHistory() ? history->periodOn(timesNamed().back().second).province : "");
}

namespace {

// The naming that counts: by the name, or for a code given as such by the code alone.
Naming namingOf(const Place& place, Day day, bool byCode)
{
    if (!byCode) {
        return place.naming(day);
    }
    if (place.inForce(day)) {
        return Naming::AsNamed;
    }
    return suspendedOn(*place.history, day) ? Naming::Suspended : Naming::NotInForce;
}

// Whether a place of that naming may be the birthplace.
bool fits(Naming naming)
{
    return naming <= Naming::Suspended;
}

// The places in the province `wanted`, on `day` or at last. A row without history has no
// province: it stands only when no other place does.
std::vector<const Place*> inProvince(const std::vector<const Place*>& places, Day day,
                                     std::string_view wanted)
{
    std::vector<const Place*> known;
    std::vector<const Place*> unknown;
    for (const Place* place : places) {
        if (!place->hasHistory()) {
            unknown.push_back(place);
        } else if (place->provinceOn(day) == wanted ||
                   place->history->periods.back().province == wanted) {
            known.push_back(place);
        }
    }
    return known.empty() ? unknown : known;
}

// One place per code, the first; replaced by a later one that bore its name on `day` when the
// first did not. The places of a code share its history; those without history are told apart
// by the code itself.
std::vector<const Place*> oneEachCode(const std::vector<const Place*>& places, Day day)
{
    std::vector<const Place*> kept;
    std::unordered_map<const CodeHistory*, std::size_t> byHistory;
    std::unordered_map<std::string, std::size_t> byCode;
    for (const Place* place : places) {
        const std::size_t next = kept.size();
        const std::size_t slot =
            place->hasHistory()
                ? byHistory.try_emplace(place->history, next).first->second
                : byCode.try_emplace(text::capitals(place->code), next).first->second;
        if (slot == next) {
            kept.push_back(place);
        } else if (kept[slot]->naming(day) != Naming::AsNamed &&
                   place->naming(day) == Naming::AsNamed) {
            kept[slot] = place;
        }
    }
    return kept;
}

// The times `history` bore `name` (whose key is `key`), as its name or its alternative name,
// when they are not all its times in force; else none.
Spans spansNamed(const CodeHistory& history, std::string_view name, std::string_view key)
{
    const auto& periods = history.periods;
    if (std::all_of(periods.begin(), periods.end(),
                    [&](const Period& period) { return period.name == name; })) {
        return {}; // the usual case, said without keys
    }
    Spans spans = joinedSpans(periods, [&](std::size_t p) {
        return nameKey(periods[p].name) == key || nameKey(periods[p].alternativeName) == key;
    });
    return spans == history.spans ? Spans() : spans;
}

} // namespace

void HistoryRows::add(std::string_view code, Period period)
{
    if (!last_ || code != lastCode_) {
        lastCode_ = code;
        last_ = &byCode_[text::capitals(code)];
    }
    last_->periods.push_back(std::move(period));
}

HistoryRows::HistoryRows(std::vector<PeriodRow> periods)
{
    reserve(periods.size());
    for (PeriodRow& row : periods) {
        add(row.code, std::move(row.period));
    }
}

HistoryRows::HistoryRows(std::initializer_list<PeriodRow> periods)
    : HistoryRows(std::vector<PeriodRow>(periods))
{}

BirthplaceIndex::BirthplaceIndex(std::vector<MunicipalityRow> municipalities, HistoryRows periods)
{
    addHistories(std::move(periods));
    std::vector<const CodeHistory*> owners; // of each row
    owners.reserve(municipalities.size());
    for (const MunicipalityRow& row : municipalities) {
        owners.push_back(history(text::capitals(row.code)));
    }
    // The alternative names of each code that has a row, once each, after the rows.
    std::vector<Alternative> alternatives = alternativeNames(municipalities, owners);
    places_.reserve(municipalities.size() + alternatives.size());
    nextNamed_.reserve(places_.capacity());
    names_.reserve(places_.capacity());
    for (std::size_t i = 0; i < municipalities.size(); ++i) {
        addPlace(std::move(municipalities[i].name), std::move(municipalities[i].code), owners[i]);
    }
    for (Alternative& alternative : alternatives) {
        addPlace(std::move(alternative.name), std::move(alternative.code), alternative.history);
    }
}

void BirthplaceIndex::addHistories(HistoryRows periods)
{
    histories_ = std::move(periods.byCode_);
    const auto earlier = [](const Period& a, const Period& b) {
        return a.from < b.from;
    };
    for (auto& [code, history] : histories_) {
        if (!std::is_sorted(history.periods.begin(), history.periods.end(), earlier)) {
            std::stable_sort(history.periods.begin(), history.periods.end(), earlier);
        }
        history.spans = joinedSpans(history.periods, [](std::size_t) { return true; });
    }
}

std::vector<BirthplaceIndex::Alternative>
BirthplaceIndex::alternativeNames(const std::vector<MunicipalityRow>& municipalities,
                                  const std::vector<const CodeHistory*>& owners)
{
    std::vector<Alternative> alternatives;
    std::unordered_set<const CodeHistory*> codesSeen;
    for (std::size_t i = 0; i < municipalities.size(); ++i) {
        const CodeHistory* own = owners[i];
        const auto named = [](const Period& period) {
            return !period.alternativeName.empty();
        };
        if (!own || std::none_of(own->periods.begin(), own->periods.end(), named) ||
            !codesSeen.insert(own).second) {
            continue;
        }
        std::set<std::string> keysSeen;
        for (const Period& period : own->periods) {
            if (named(period) && keysSeen.insert(nameKey(period.alternativeName)).second) {
                alternatives.push_back({period.alternativeName, municipalities[i].code, own});
            }
        }
    }
    return alternatives;
}

void BirthplaceIndex::addPlace(std::string name, std::string code, const CodeHistory* own)
{
    std::string key = nameKey(name);
    Spans otherSpans = own ? spansNamed(*own, name, key) : Spans();
    const auto index = static_cast<std::uint32_t>(places_.size());
    places_.push_back({std::move(name), std::move(code), own, std::move(otherSpans)});
    if (own && places_.back().timesNamed().size() == 1) {
        places_.back().onlyTimeNamed = places_.back().timesNamed().front();
    }
    nextNamed_.push_back(kNoPlace);
    const auto [named, added] = names_.try_emplace(std::move(key), index, index);
    if (!added) {
        nextNamed_[named->second.second] = index;
        named->second.second = index;
    }
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
        for (std::uint32_t i = found->second.first; i != kNoPlace; i = nextNamed_[i]) {
            places.push_back(&places_[i]);
        }
    }
    return places;
}

std::vector<const Place*> BirthplaceIndex::byCode(std::string_view code,
                                                  std::string_view name) const
{
    std::vector<const Place*> places;
    const std::string key = nameKey(name);
    const text::LikePattern pattern(name);
    for (const Place& place : places_) {
        if (text::capitals(place.code) == code &&
            (name.empty() || nameKey(place.name) == key || pattern.matches(place.name))) {
            places.push_back(&place);
        }
    }
    return places;
}

std::vector<const Place*> BirthplaceIndex::byPattern(std::string_view text) const
{
    const text::LikePattern pattern(text);
    std::vector<const Place*> places;
    for (const Place& place : places_) {
        if (pattern.matches(place.name)) {
            places.push_back(&place);
        }
    }
    return places;
}

BirthplaceIndex::NamedPlaces BirthplaceIndex::named(std::vector<const Place*> places,
                                                    std::string_view text,
                                                    std::string province) const
{
    // A name written as the text, accents included, leaves out those that differ by accents.
    if (places.size() > 1) {
        const std::string spelling = spellingKey(text);
        std::vector<const Place*> spelled;
        std::copy_if(places.begin(), places.end(), std::back_inserter(spelled),
                     [&](const Place* place) { return spellingKey(place->name) == spelling; });
        if (!spelled.empty()) {
            places = std::move(spelled);
        }
    }
    return {std::move(places), std::move(province)};
}

BirthplaceIndex::NamedPlaces BirthplaceIndex::candidates(std::string_view place) const
{
    // A name that itself ends in brackets ("ISOLE COOK (NZ)") is a name, not a province.
    if (auto exact = byName(place); !exact.empty()) {
        return named(std::move(exact), place, {});
    }
    if (const std::string code = nameKey(place); isCadastralCode(code)) {
        return {byCode(code, {}), {}, true};
    }
    const auto brackets = splitBrackets(place);
    if (brackets && isCadastralCode(brackets->inside)) {
        return {byCode(brackets->inside, brackets->name), {}, true};
    }
    const bool withProvince = brackets && isProvince(brackets->inside);
    const std::string_view name = withProvince ? brackets->name : place;
    std::string province = withProvince ? brackets->inside : std::string();
    if (withProvince) {
        if (auto exact = byName(name); !exact.empty()) {
            return named(std::move(exact), name, std::move(province));
        }
    }
    return {byPattern(name), std::move(province)};
}

Birthplace BirthplaceIndex::choose(const NamedPlaces& named, Day day, std::string_view province)
{
    using Outcome = Birthplace::Outcome;
    const std::vector<const Place*>& places = named.places;
    if (places.empty()) {
        return {Outcome::NotFound, {}};
    }
    const auto naming = [&](const Place* place) {
        return namingOf(*place, day, named.byCode);
    };
    if (places.size() == 1 && named.province.empty() && province.empty()) { // the usual case
        return {fits(naming(places.front())) ? Outcome::Found : Outcome::NotInForce, places};
    }
    std::vector<const Place*> inProvinces = places;
    for (std::string_view wanted : {std::string_view(named.province), province}) {
        if (!wanted.empty()) {
            inProvinces = inProvince(inProvinces, day, wanted);
        }
    }
    if (inProvinces.empty()) {
        std::vector<const Place*> fitting;
        std::copy_if(places.begin(), places.end(), std::back_inserter(fitting),
                     [&](const Place* place) { return fits(naming(place)); });
        return fitting.empty() ? Birthplace{Outcome::NotInForce, oneEachCode(places, day)}
                               : Birthplace{Outcome::NotInProvince, oneEachCode(fitting, day)};
    }
    Naming best = Naming::NotInForce;
    for (const Place* place : inProvinces) {
        best = std::min(best, naming(place));
    }
    if (!fits(best)) {
        return {Outcome::NotInForce, oneEachCode(inProvinces, day)};
    }
    std::vector<const Place*> left;
    std::copy_if(inProvinces.begin(), inProvinces.end(), std::back_inserter(left),
                 [&](const Place* place) { return naming(place) == best; });
    if (left.size() > 1) {
        left = oneEachCode(left, day);
    }
    return {left.size() == 1 ? Outcome::Found : Outcome::Ambiguous, std::move(left)};
}

Birthplace BirthplaceIndex::resolve(std::string_view place, Day day,
                                    std::string_view province) const
{
    return choose(candidates(place), day, province);
}

} // namespace places
