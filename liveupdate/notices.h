#pragma once

// The notices the library shows the user, in the five languages of the editions.

#include <initializer_list>
#include <string>
#include <string_view>

namespace corvanlu {

enum class Language { Italian, English, Spanish, French, German };

// The library's user messages, two for each language, in UTF-8.
namespace StringheDLL_u {

std::string_view notInstalled(Language language);
std::string_view launchFailed(Language language);

} // namespace StringheDLL_u

// `pattern` with its "%s" and "%d" placeholders replaced by `arguments`, in order. Placeholders
// left without an argument stay as they are; other characters are copied unchanged.
std::string formatMessage(std::string_view pattern,
                          std::initializer_list<std::string_view> arguments);

// The texts as the user sees them: the Italian not-installed text gets the service name, the other
// languages carry it already; a launch failure names the service, the shell's number and the
// system's text for it.
std::string notInstalledMessage(Language language);
std::string launchFailedMessage(Language language, int errorNumber, std::string_view systemText);

} // namespace corvanlu
