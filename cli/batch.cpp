#include "cli/batch.h"

#include "data/csv.h"
#include "data/textfold.h"
#include "fiscalcode/calculation.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace cfcalc {
namespace {

const std::vector<std::string> kHeader = {"cognome", "nome", "data", "sesso", "comune"};
const std::string kProvinceColumn = "provincia";

// Remembers the candidates of each place text already looked up in this run, so that a file of
// many persons over few places looks each place up once. Bounded, so that a file of endless
// distinct texts cannot make it grow without end.
class CachedPlaces {
public:
    explicit CachedPlaces(const refdata::BirthplaceIndex& places) : places_(places) {}

    refdata::Birthplace operator()(std::string_view place, refdata::Day day,
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
        return refdata::BirthplaceIndex::choose(known->second, day, province);
    }

private:
    static constexpr std::size_t kLimit = 100'000;
    const refdata::BirthplaceIndex& places_;
    std::string key_;
    std::unordered_map<std::string, refdata::BirthplaceIndex::NamedPlaces> cache_;
};

// Whether `record` is the header, with or without the province column.
bool isHeader(const std::vector<std::string>& record)
{
    if (record.size() != kHeader.size() && record.size() != kHeader.size() + 1) {
        return false;
    }
    for (std::size_t i = 0; i < record.size(); ++i) {
        const std::string& name = i < kHeader.size() ? kHeader[i] : kProvinceColumn;
        if (refdata::capitals(record[i]) != refdata::capitals(name)) {
            return false;
        }
    }
    return true;
}

// The failure as one line: "Comune ambiguo: CASTRO (BG), CASTRO (LE)".
std::string oneLine(const fiscalcode::CalculationOutcome::Failure& failure)
{
    std::string line = failure.message;
    for (std::size_t i = 0; i < failure.details.size(); ++i) {
        line += (i == 0 ? " " : ", ") + failure.details[i];
    }
    return line;
}

// The code of one record and its notice, or the reason there is none.
struct Computed {
    std::string code;
    std::string error;
    std::string notice;
};

Computed compute(const std::vector<std::string>& record, const refdata::CsvReader& reader,
                 std::size_t fields, CachedPlaces& places)
{
    if (reader.flaw() != refdata::CsvReader::Flaw::None) {
        return {"", reader.flawText(), ""};
    }
    if (record.size() != fields) {
        return {"", fieldCountError(fields, record.size()), ""};
    }
    auto outcome = fiscalcode::calculate(personFromColumns(record), std::ref(places));
    if (outcome.failure) {
        return {"", oneLine(*outcome.failure), ""};
    }
    return {std::move(outcome.code), "", std::move(outcome.notice)};
}

} // namespace

fiscalcode::CalculationInput personFromColumns(const std::vector<std::string>& columns)
{
    return {
        .surname = columns.at(0),
        .givenName = columns.at(1),
        .birthDate = columns.at(2),
        .municipality = columns.at(4),
        .sex = columns.at(3),
        .province = columns.size() > 5 ? columns[5] : std::string(),
    };
}

std::string fieldCountError(std::size_t expected, std::size_t found)
{
    return "Numero di campi errato: attesi " + std::to_string(expected) + ", trovati " +
           std::to_string(found);
}

bool runBatch(std::istream& in, std::ostream& out, const refdata::BirthplaceIndex& places)
{
    CachedPlaces cached(places);
    refdata::CsvReader reader(in);
    std::vector<std::string> record;
    bool allComputed = true;
    if (!reader.next(record)) {
        record.clear();
    }
    // The header of the output follows the input's: with the province column when the input
    // has it (in its header, or in its first record when it has no header).
    const bool hasHeader = isHeader(record);
    const std::size_t fields =
        record.size() == kHeader.size() + 1 ? kHeader.size() + 1 : kHeader.size();
    std::vector<std::string> header = kHeader;
    if (fields > kHeader.size()) {
        header.push_back(kProvinceColumn);
    }
    header.insert(header.end(), {"codice_fiscale", "errore", "avviso"});
    refdata::CsvWriter writer(out);
    writer.write(header);
    bool pending = !hasHeader && !record.empty();
    while (out && (pending || reader.next(record))) {
        pending = false;
        auto [code, error, notice] = compute(record, reader, fields, cached);
        allComputed = allComputed && error.empty();
        record.push_back(std::move(code));
        record.push_back(std::move(error));
        record.push_back(std::move(notice));
        writer.write(record);
    }
    writer.flush();
    return allComputed;
}

} // namespace cfcalc
