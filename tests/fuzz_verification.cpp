// Fuzz target for the verification of codes. Any text is a valid code or says why not. A valid
// code carries what its base code carries, and so does each of its omocodia variants. The input is
// read as it is, and also made into a code of the right shape with its right check letter, so
// that the checks past the form run often: each byte picks the character of its place.
#include "fiscalcode/fiscalcode.h"
#include "messages/texts.h"
#include "places/verification.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// A few places, one with a history, so that the century of a code may depend on it.
const places::BirthplaceIndex& places()
{
    static const places::BirthplaceIndex index(
        {{"ROMA", "H501"}, {"BELLAGIO", "A744"}, {"BELLAGIO", "M335"}},
        {{"A744", {18610317, 20140203, "BELLAGIO", "", "CO"}},
         {"M335", {20140204, fiscalcode::kForever, "BELLAGIO", "", "CO"}}});
    return index;
}

constexpr fiscalcode::Day kToday = 20250101;

void verify(std::string_view text)
{
    const places::VerifiedCode verified = places::verifyFiscalCode(text, places(), kToday);
    if (!verified.valid()) {
        check(!verified.sex && !messages::faultText(*verified.fault).empty());
        return;
    }
    check(verified.code.size() == 16);
    check(verified.birthDay <= kToday);
    check(verified.sex.has_value());
    const places::VerifiedCode base = places::verifyFiscalCode(verified.baseCode, places(), kToday);
    check(base.valid() && base.baseCode == verified.baseCode);
    for (const std::string& variant : fiscalcode::omocodiaVariants(verified.baseCode)) {
        const places::VerifiedCode other = places::verifyFiscalCode(variant, places(), kToday);
        check(other.valid() && other.baseCode == verified.baseCode &&
              other.birthDay == verified.birthDay && other.sex == verified.sex &&
              other.cadastralCode == verified.cadastralCode);
    }
}

// The code the bytes pick: letters where the code has letters, digits or their omocodia letters
// where it has digits, then its check letter.
std::string shapedCode(const std::uint8_t* data)
{
    constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    constexpr std::string_view kDigitPlaces = "LMNPQRSTUV0123456789";
    constexpr bool kDigit[15] = {false, false, false, false, false, false, true, true,
                                 false, true,  true,  false, true,  true,  true};
    std::string code;
    for (std::size_t i = 0; i < 15; ++i) {
        const std::string_view choices = kDigit[i] ? kDigitPlaces : kLetters;
        code += choices[data[i] % choices.size()];
    }
    return code + fiscalcode::CheckCharacter(code);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    verify(std::string_view(reinterpret_cast<const char*>(data), size));
    if (size >= 15) {
        verify(shapedCode(data));
    }
    return 0;
}
