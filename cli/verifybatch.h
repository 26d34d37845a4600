#pragma once

#include "data/birthplaces.h"

#include <istream>
#include <ostream>

namespace cfcalc {

enum class VerificationOutcome { AllValid, SomeNotValid, NoCodeColumn };

// Verifies the fiscal codes of a CSV file (fields separated by ";") whose header has a column
// codice_fiscale, the others kept as they are, in any order; `today` bounds the birth dates (see
// fiscalcode::verifyFiscalCode). Writes every record, in order, with the columns
// esito;motivo;codice_base;sesso;data_nascita;comune;provincia;codice_catastale added; a record
// with another number of fields than the header, or one the reader finds flawed (see
// refdata::CsvReader), is not valid. Nothing is written when the header has no such column. The
// records are streamed: memory does not grow with their number or size; writing stops when the
// output fails.
VerificationOutcome verifyBatch(std::istream& in, std::ostream& out,
                                const refdata::BirthplaceIndex& places, refdata::Day today);

} // namespace cfcalc
