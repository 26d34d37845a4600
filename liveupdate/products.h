#pragma once

// The products the library knows: the service and its files, the makers' web addresses, and the
// product codes that old or alternate-brand products are started with.

#include <optional>
#include <string_view>

namespace corvanlu {

inline constexpr std::string_view kServiceName = "Corvan Live Update";
inline constexpr std::string_view kConfigurationFile = "CorvanLiveUpdate.ini";
inline constexpr std::string_view kAlternateConfigurationFile = "SolveaLiveUpdate.ini";
inline constexpr std::string_view kConfigurationSection = "Applicazione";
inline constexpr std::string_view kExecutableKey = "exe";
inline constexpr std::string_view kExecutableFileStem = "CorvanLiveUpdate";
inline constexpr std::string_view kExecutableExtension = ".exe";

// Where the service is installed when its configuration file does not say otherwise; the language
// suffix and the extension complete it.
std::string_view defaultExecutableStem();

inline constexpr std::string_view kMakerWebAddress = "https://www.corvan.example/";
inline constexpr std::string_view kAlternateBrandWebAddress = "https://www.solvea.example/";

// Every code of the alternate brand begins with this prefix.
inline constexpr std::string_view kAlternateBrandPrefix = "CD6";

struct CodePair {
    std::string_view code;
    std::string_view replacement;
};

// Old product codes and the codes that replaced them. The first old code is a product whose name
// the library supplies itself.
inline constexpr CodePair kLegacyCodes[] = {
    {"CD1020", "CD4020"}, {"CD1101", "CD4101"}, {"CD1180", "CD4180"}, {"CD1235", "CD3120"},
    {"CD1302", "CD6302"}, {"CD1477", "CD4477"}, {"CD1590", "CD4590"},
};
inline constexpr std::string_view kLegacyProductWithOwnTitle = kLegacyCodes[0].code;
inline constexpr std::string_view kLegacyProductTitle = "Corvan Gestionale 98";

// Products sold under the alternate brand, and their codes in that brand's catalogue.
inline constexpr CodePair kAlternateBrandCodes[] = {
    {"2004101", "CD6101"}, {"2004115", "CD6115"}, {"2004230", "CD6230"},
    {"CD3120", "CD6120"},  {"CD3245", "CD6245"},  {"CD3310", "CD6310"},
};

// The replacement of `code` in `table`, when the code is listed there.
template <std::size_t N>
constexpr std::optional<std::string_view> lookUp(const CodePair (&table)[N], std::string_view code)
{
    for (const CodePair& pair : table) {
        if (pair.code == code) {
            return pair.replacement;
        }
    }
    return std::nullopt;
}

} // namespace corvanlu
