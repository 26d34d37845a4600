#pragma once

#include "text/textfold.h"

#include <optional>
#include <string>
#include <string_view>

// Names in the official alphabet: the code reads every letter of a name as its plain capital
// A-Z (À gives A, Ç gives C, ß gives SS, Æ gives AE) and leaves out whatever is not a letter
// (spaces, apostrophes of any kind, hyphens, dots, combining marks). A digit, or a letter that
// has no plain form (Greek, Cyrillic, ...), cannot enter a code: the checks refuse such a name.
// The rule for one character (text::plainFormOf) is shared with the birthplace look-up, which
// reads place names the same way.
namespace fiscalcode {

using text::PlainForm;
using text::plainFormOf;

// The first character of `name` that cannot enter a code, as UTF-8 text ("\xEF\xBF\xBD" for a
// byte that is not valid UTF-8); none when every character can.
[[nodiscard]] std::optional<std::string> firstRefusedCharacter(std::string_view name);

} // namespace fiscalcode
