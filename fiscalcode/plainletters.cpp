#include "fiscalcode/plainletters.h"

namespace fiscalcode {
namespace {

constexpr char32_t kLastCharacter = 0x10FFFF;

} // namespace

std::optional<std::string> firstRefusedCharacter(std::string_view name)
{
    for (std::size_t pos = 0; pos < name.size();) {
        const auto byte = static_cast<unsigned char>(name[pos]);
        if (byte < 0x80) { // plain ASCII: only the digits are refused
            ++pos;
            if (byte >= '0' && byte <= '9') {
                return std::string(1, static_cast<char>(byte));
            }
            continue;
        }
        const char32_t c = text::nextCharacter(name, pos);
        if (plainFormOf(c).kind == PlainForm::Kind::Refused) {
            std::string text;
            text::appendUtf8(text, c > kLastCharacter ? char32_t{0xFFFD} : c);
            return text;
        }
    }
    return std::nullopt;
}

} // namespace fiscalcode
