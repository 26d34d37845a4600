#pragma once

#include "batch/batchfile.h"
#include "places/birthplaces.h"

#include <istream>
#include <ostream>

namespace batch {

// The columns a verification reads and adds.
const BatchColumns& verificationColumns();

// Verifies the fiscal code of every row of `in` (see processBatch), from its column
// codice_fiscale; `today` bounds the birth dates (see places::verifyFiscalCode). Writes the
// row with the columns esito;motivo;codice_base;sesso;data_nascita;comune;provincia;
// codice_catastale added; a row that cannot be used as it stands is not valid, for its reason.
BatchSummary verifyBatch(std::istream& in, std::ostream& out, const places::BirthplaceIndex& places,
                         fiscalcode::Day today, const BatchOptions& options = {});

} // namespace batch
