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

// Remembers the cadastral code of each municipality text already looked up in this run. Bounded,
// so that a file of endless distinct texts cannot make it grow without end.
class CachedLookup {
public:
    explicit CachedLookup(refdata::CadastralLookup& lookup) : lookup_(lookup) {}

    std::optional<std::string> operator()(std::string_view municipality)
    {
        const std::string key(municipality);
        if (const auto known = cache_.find(key); known != cache_.end()) {
            return known->second;
        }
        if (cache_.size() >= kLimit) {
            cache_.clear();
        }
        auto code = lookup_.Find(municipality);
        cache_.emplace(key, code);
        return code;
    }

private:
    static constexpr std::size_t kLimit = 100'000;
    refdata::CadastralLookup& lookup_;
    std::unordered_map<std::string, std::optional<std::string>> cache_;
};

bool IsHeader(const std::vector<std::string>& record)
{
    if (record.size() != kHeader.size()) {
        return false;
    }
    for (std::size_t i = 0; i < record.size(); ++i) {
        if (fiscalcode::AsTyped(record[i]) != fiscalcode::AsTyped(kHeader[i])) {
            return false;
        }
    }
    return true;
}

// The code of one record, or the reason there is none.
std::pair<std::string, std::string> Compute(const std::vector<std::string>& record,
                                            CachedLookup& lookup)
{
    if (record.size() != kHeader.size()) {
        return {"", "Numero di campi errato: attesi 5, trovati " + std::to_string(record.size())};
    }
    const fiscalcode::CalculationInput input{fiscalcode::AsTyped(record[0]),
                                             fiscalcode::AsTyped(record[1]), record[2],
                                             fiscalcode::AsTyped(record[4]), record[3]};
    try {
        const auto outcome = fiscalcode::Calculate(input, std::ref(lookup));
        if (outcome.failure) {
            return {"", outcome.failure->message};
        }
        return {outcome.code, ""};
    } catch (const refdata::DataError& error) {
        return {"", error.what()};
    }
}

} // namespace

bool RunBatch(std::istream& in, std::ostream& out, refdata::CadastralLookup& lookup)
{
    std::vector<std::string> header = kHeader;
    header.insert(header.end(), {"codice_fiscale", "errore"});
    refdata::WriteCsvRecord(out, header);

    CachedLookup cached(lookup);
    refdata::CsvReader reader(in);
    std::vector<std::string> record;
    bool allComputed = true;
    bool first = true;
    while (reader.Next(record)) {
        if (std::exchange(first, false) && IsHeader(record)) {
            continue;
        }
        auto [code, error] = Compute(record, cached);
        allComputed = allComputed && error.empty();
        record.push_back(std::move(code));
        record.push_back(std::move(error));
        refdata::WriteCsvRecord(out, record);
    }
    return allComputed;
}

} // namespace cfcalc
