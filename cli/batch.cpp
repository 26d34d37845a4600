#include "batch.h"

#include "calculation.h"
#include "csv.h"

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
bool IsHeader(const std::vector<std::string>& record)
{
    if (record.size() != kHeader.size() && record.size() != kHeader.size() + 1) {
        return false;
    }
    for (std::size_t i = 0; i < record.size(); ++i) {
        const std::string& name = i < kHeader.size() ? kHeader[i] : kProvinceColumn;
        if (fiscalcode::AsTyped(record[i]) != fiscalcode::AsTyped(name)) {
            return false;
        }
    }
    return true;
}

// The failure as one line: "Comune ambiguo: CASTRO (BG), CASTRO (LE)".
std::string OneLine(const fiscalcode::CalculationOutcome::Failure& failure)
{
    std::string line = failure.message;
    for (std::size_t i = 0; i < failure.details.size(); ++i) {
        line += (i == 0 ? " " : ", ") + failure.details[i];
    }
    return line;
}

// The code of one record, or the reason there is none.
std::pair<std::string, std::string> Compute(const std::vector<std::string>& record,
                                            std::size_t fields, CachedPlaces& places)
{
    if (record.size() != fields) {
        return {"", fieldCountError(fields, record.size())};
    }
    const fiscalcode::CalculationInput input{
        .surname = record[0],
        .givenName = record[1],
        .birthDate = record[2],
        .municipality = record[4],
        .sex = record[3],
        .province = fields > kHeader.size() ? record[5] : std::string(),
    };
    const auto outcome = fiscalcode::Calculate(input, std::ref(places));
    if (outcome.failure) {
        return {"", OneLine(*outcome.failure)};
    }
    return {outcome.code, ""};
}

} // namespace

std::string fieldCountError(std::size_t expected, std::size_t found)
{
    return "Numero di campi errato: attesi " + std::to_string(expected) + ", trovati " +
           std::to_string(found);
}

bool RunBatch(std::istream& in, std::ostream& out, const refdata::BirthplaceIndex& places)
{
    CachedPlaces cached(places);
    refdata::CsvReader reader(in);
    std::vector<std::string> record;
    bool allComputed = true;
    if (!reader.Next(record)) {
        record.clear();
    }
    // The header of the output follows the input's: with the province column when the input
    // has it (in its header, or in its first record when it has no header).
    const bool hasHeader = IsHeader(record);
    const std::size_t fields =
        record.size() == kHeader.size() + 1 ? kHeader.size() + 1 : kHeader.size();
    std::vector<std::string> header = kHeader;
    if (fields > kHeader.size()) {
        header.push_back(kProvinceColumn);
    }
    header.insert(header.end(), {"codice_fiscale", "errore"});
    refdata::CsvWriter writer(out);
    writer.Write(header);
    bool pending = !hasHeader && !record.empty();
    while (pending || reader.Next(record)) {
        pending = false;
        auto [code, error] = Compute(record, fields, cached);
        allComputed = allComputed && error.empty();
        record.push_back(std::move(code));
        record.push_back(std::move(error));
        writer.Write(record);
    }
    writer.Flush();
    return allComputed;
}

} // namespace cfcalc
