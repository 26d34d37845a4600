#include "batch/verifybatch.h"

#include "messages/texts.h"
#include "places/verification.h"

#include <algorithm>
#include <string>

namespace batch {
namespace {

// Whether each code is valid and what it carries; the strings of one row are reused for the next.
class CodeVerification : public RowWork {
public:
    CodeVerification(const places::BirthplaceIndex& places, fiscalcode::Day today)
        : places_(places), today_(today)
    {}

    const BatchColumns& columns() const override { return verificationColumns(); }

    bool fill(std::span<const std::string_view> values, std::span<std::string> added) override
    {
        places::verifyFiscalCode(values[0], places_, today_, verified_);
        const bool valid = verified_.valid();
        added[0] = messages::verdictText(valid);
        if (valid) {
            added[1].clear();
        } else {
            added[1] = messages::faultText(*verified_.fault);
        }
        added[2] = verified_.baseCode;
        added[3] = valid ? std::string(1, fiscalcode::letterOf(*verified_.sex)) : std::string();
        added[4] = valid ? verified_.birthDate() : std::string();
        added[5] = verified_.placeName;
        added[6] = verified_.province;
        added[7] = verified_.cadastralCode;
        return valid;
    }

    void refuse(const std::string& reason, std::span<std::string> added) override
    {
        added[0] = messages::verdictText(false);
        added[1] = reason;
        std::for_each(added.begin() + 2, added.end(), [](std::string& field) { field.clear(); });
    }

private:
    const places::BirthplaceIndex& places_;
    fiscalcode::Day today_;
    places::VerifiedCode verified_;
};

} // namespace

const BatchColumns& verificationColumns()
{
    static const BatchColumns columns = {
        .needed = {"codice_fiscale"},
        .optional = {},
        .added = {"esito", "motivo", "codice_base", "sesso", "data_nascita", "comune", "provincia",
                  "codice_catastale"},
        .reasonColumn = 1,
    };
    return columns;
}

BatchSummary verifyBatch(std::istream& in, std::ostream& out, const places::BirthplaceIndex& places,
                         fiscalcode::Day today, const BatchOptions& options)
{
    CodeVerification work(places, today);
    return processBatch(in, out, work, options);
}

} // namespace batch
