#pragma once

#include "birthplaces.h"

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

namespace cfcalc {

// Computes one code per CSV record of `in` (fields separated by ";", header
// "cognome;nome;data;sesso;comune", optionally followed by ";provincia") and writes every record,
// in order, with two more fields: the code and the error text, one of them empty. Returns true
// when every record got a code. The records are streamed: memory does not grow with their number.
bool RunBatch(std::istream& in, std::ostream& out, const refdata::BirthplaceIndex& places);

// The error of a record with another number of fields than expected.
std::string fieldCountError(std::size_t expected, std::size_t found);

} // namespace cfcalc
