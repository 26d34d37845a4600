#pragma once

#include "data/birthplaces.h"
#include "fiscalcode/calculation.h"

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace cfcalc {

// The person of the columns cognome, nome, data, sesso, comune and, when there is a sixth,
// provincia: the order of the command line and of the batch file.
fiscalcode::CalculationInput personFromColumns(const std::vector<std::string>& columns);

// Computes one code per CSV record of `in` (fields separated by ";", header
// "cognome;nome;data;sesso;comune", optionally followed by ";provincia") and writes every record,
// in order, with three more fields: the code and the error text, one of them empty, and the
// notice that comes with a code (see fiscalcode::CalculationOutcome), often empty; a record the
// reader finds flawed (see refdata::CsvReader) gets the flaw as its error. Returns true when every
// record got a code. The records are streamed: memory does not grow with their number or size.
// Reading stops when the output fails.
bool runBatch(std::istream& in, std::ostream& out, const refdata::BirthplaceIndex& places);

// The error of a record with another number of fields than expected.
std::string fieldCountError(std::size_t expected, std::size_t found);

} // namespace cfcalc
