#pragma once

#include "data/birthplaces.h"

#include <istream>
#include <ostream>

namespace cfcalc {

// Computes one code per CSV record of `in` (fields separated by ";", header
// "cognome;nome;data;sesso;comune", optionally followed by ";provincia") and writes every record,
// in order, with two more fields: the code and the error text, one of them empty. Returns true
// when every record got a code. The records are streamed: memory does not grow with their number.
bool runBatch(std::istream& in, std::ostream& out, const refdata::BirthplaceIndex& places);

} // namespace cfcalc
