#include "cli/verifybatch.h"

#include "cli/batch.h"
#include "data/csv.h"
#include "data/textfold.h"
#include "fiscalcode/verification.h"

#include <algorithm>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cfcalc {
namespace {

constexpr std::string_view kCodeColumn = "CODICE_FISCALE";
const std::vector<std::string> kAddedColumns = {"esito",     "motivo",          "codice_base",
                                                "sesso",     "data_nascita",    "comune",
                                                "provincia", "codice_catastale"};

// The position of the code's column in the header, case and blanks around ignored.
std::optional<std::size_t> codeColumn(const std::vector<std::string>& header)
{
    for (std::size_t i = 0; i < header.size(); ++i) {
        std::string name = refdata::capitals(header[i]);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        if (name == kCodeColumn) {
            return i;
        }
    }
    return std::nullopt;
}

// Verifies the records of one file; the strings of one record are reused for the next.
class RecordVerifier {
public:
    RecordVerifier(const refdata::BirthplaceIndex& places, refdata::Day today, std::size_t column,
                   std::size_t columns)
        : places_(places), today_(today), column_(column), columns_(columns)
    {}

    // Fills the added columns of `record`, which `reader` has just read; false when it is not
    // valid.
    bool verify(const std::vector<std::string>& record, const refdata::CsvReader& reader,
                std::span<std::string> added)
    {
        const bool flawed = reader.flaw() != refdata::CsvReader::Flaw::None;
        if (flawed || record.size() != columns_) {
            added[0] = fiscalcode::texts::kNotValid;
            added[1] = flawed ? reader.flawText() : fieldCountError(columns_, record.size());
            std::for_each(added.begin() + 2, added.end(),
                          [](std::string& field) { field.clear(); });
            return false;
        }
        fiscalcode::verifyFiscalCode(record[column_], places_, today_, verified_);
        const bool valid = verified_.valid();
        added[0] = valid ? fiscalcode::texts::kValid : fiscalcode::texts::kNotValid;
        added[1] = verified_.reason;
        added[2] = verified_.baseCode;
        added[3].assign(valid ? 1 : 0, verified_.sex);
        added[4] = valid ? verified_.birthDate() : std::string();
        added[5] = verified_.placeName;
        added[6] = verified_.province;
        added[7] = verified_.cadastralCode;
        return valid;
    }

private:
    const refdata::BirthplaceIndex& places_;
    refdata::Day today_;
    std::size_t column_;
    std::size_t columns_;
    fiscalcode::VerifiedCode verified_;
};

} // namespace

VerificationOutcome verifyBatch(std::istream& in, std::ostream& out,
                                const refdata::BirthplaceIndex& places, refdata::Day today)
{
    refdata::CsvReader reader(in);
    std::vector<std::string> record;
    if (!reader.next(record)) {
        return VerificationOutcome::NoCodeColumn;
    }
    const auto column = codeColumn(record);
    if (!column) {
        return VerificationOutcome::NoCodeColumn;
    }
    RecordVerifier verifier(places, today, *column, record.size());
    refdata::CsvWriter writer(out);
    std::vector<std::string> row = record;
    row.insert(row.end(), kAddedColumns.begin(), kAddedColumns.end());
    writer.write(row);
    bool allValid = true;
    while (out && reader.next(record)) {
        // The strings of `row` are kept from one record to the next: next to nothing allocated.
        row.resize(record.size() + kAddedColumns.size());
        std::copy(record.begin(), record.end(), row.begin());
        const bool valid = verifier.verify(record, reader, std::span(row).subspan(record.size()));
        allValid = allValid && valid;
        writer.write(row);
    }
    writer.flush();
    return allValid ? VerificationOutcome::AllValid : VerificationOutcome::SomeNotValid;
}

} // namespace cfcalc
