#pragma once

#include "batch/batchfile.h"
#include "places/birthplaces.h"
#include "places/calculation.h"

#include <istream>
#include <ostream>
#include <span>
#include <string_view>

namespace batch {

// The person of the values cognome, nome, data, sesso, comune and, when there is a sixth,
// provincia: the order of the command line and of the columns a batch reads.
places::CalculationInput personFromColumns(std::span<const std::string_view> columns);

// The columns a calculation reads and adds.
const BatchColumns& calculationColumns();

// Computes the code of the person of every row of `in` (see processBatch), from the columns
// cognome, nome, data, sesso, comune and the optional provincia, and writes the row with three
// more columns: codice_fiscale, errore and avviso. A row has its code, or the reason it has none
// on one line ("Comune ambiguo: CASTRO (BG), CASTRO (LE)"); avviso holds what the user should
// know about a code computed (see places::CalculationOutcome::notice).
BatchSummary calculateBatch(std::istream& in, std::ostream& out,
                            const places::BirthplaceIndex& places,
                            const BatchOptions& options = {});

} // namespace batch
