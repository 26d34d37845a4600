#include "batch/batch.h"

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
std::string oneLine(const places::CalculationOutcome::Failure& failure)
{
    std::string line = failure.message;
    for (std::size_t i = 0; i < failure.details.size(); ++i) {
        line += (i == 0 ? " " : ", ") + failure.details[i];
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
            note_ = outcome.failure->message == places::texts::kAmbiguous ? Note::AmbiguousPlace
                                                                          : Note::None;
            return false;
        }
        added[0] = outcome.code;
        added[1].clear();
        added[2] = outcome.notice;
        note_ = outcome.notice.empty() ? Note::None : Note::Notice;
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
        .sex = std::string(columns[3]),
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
