#include "batch/batch.h"

#include "fiscalcode/fiscalcode.h"
#include "messages/texts.h"

#include <functional>
#include <string>
#include <unordered_map>

namespace batch {
namespace {

// Remembers the candidates of each place text already looked up in this run, so that a file of
// many persons over few places looks each place up once. Bounded, so that a file of endless
// distinct texts cannot make it grow without end.
class CachedPlaces {
public:
    explicit CachedPlaces(const places::BirthplaceIndex& places) : places_(places) {}

    places::Birthplace operator()(std::string_view place, fiscalcode::Day day,
                                  std::string_view province)
    {
        key_.assign(place);
        auto known = cache_.find(key_);
        if (known == cache_.end()) {
            if (cache_.size() >= kLimit) {
                cache_.clear();
            }
            known = cache_.emplace(key_, places_.candidates(place)).first;
        }
        return places::BirthplaceIndex::choose(known->second, day, province);
    }

private:
    static constexpr std::size_t kLimit = 100'000;
    const places::BirthplaceIndex& places_;
    std::string key_;
    std::unordered_map<std::string, places::BirthplaceIndex::NamedPlaces> cache_;
};

// The failure as one line: "Comune ambiguo: CASTRO (BG), CASTRO (LE)".
std::string oneLine(const places::CalculationFailure& failure)
{
    std::string line = messages::failureText(failure);
    const std::vector<std::string> places = messages::failureLines(failure);
    for (std::size_t i = 0; i < places.size(); ++i) {
        line += (i == 0 ? " " : ", ") + places[i];
    }
    return line;
}

// The code of each person, or the reason there is none.
class CodeCalculation : public RowWork {
public:
    explicit CodeCalculation(const places::BirthplaceIndex& places) : places_(places) {}

    const BatchColumns& columns() const override { return calculationColumns(); }

    bool fill(std::span<const std::string_view> values, std::span<std::string> added) override
    {
        const auto outcome = places::calculate(personFromColumns(values), std::ref(places_));
        if (outcome.failure) {
            refuse(oneLine(*outcome.failure), added);
            note_ = outcome.failure->kind == places::CalculationFailure::Kind::Ambiguous
                        ? Note::AmbiguousPlace
                        : Note::None;
            return false;
        }
        added[0] = outcome.code;
        added[1].clear();
        added[2] = outcome.notice ? messages::noticeText(*outcome.notice) : std::string();
        note_ = outcome.notice ? Note::Notice : Note::None;
        return true;
    }

    Note note() const override { return note_; }

    void refuse(const std::string& reason, std::span<std::string> added) override
    {
        added[0].clear();
        added[1] = reason;
        added[2].clear();
    }

private:
    CachedPlaces places_;
    Note note_ = Note::None;
};

} // namespace

const BatchColumns& calculationColumns()
{
    static const BatchColumns columns = {
        .needed = {"cognome", "nome", "data", "sesso", "comune"},
        .optional = {"provincia"},
        .added = {"codice_fiscale", "errore", "avviso"},
        .reasonColumn = 1,
    };
    return columns;
}

places::CalculationInput personFromColumns(std::span<const std::string_view> columns)
{
    return {
        .surname = std::string(columns[0]),
        .givenName = std::string(columns[1]),
        .birthDate = std::string(columns[2]),
        .municipality = std::string(columns[4]),
        .sex = fiscalcode::readSex(columns[3]),
        .province = std::string(columns.size() > 5 ? columns[5] : std::string_view()),
    };
}

BatchSummary calculateBatch(std::istream& in, std::ostream& out,
                            const places::BirthplaceIndex& places, const BatchOptions& options)
{
    CodeCalculation work(places);
    return processBatch(in, out, work, options);
}

} // namespace batch
