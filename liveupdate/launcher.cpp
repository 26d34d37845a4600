#include "launcher.h"

#include "notices.h"
#include "products.h"
#include "text.h"

#include <optional>

namespace corvanlu {

namespace {

struct Edition {
    Language language;
    std::string suffix; // completes the configuration section and the executable's name
};

Edition editionOf(std::string_view code)
{
    if (code.starts_with("DCD")) {
        return {Language::German, "Deu"};
    }
    if (code.starts_with('E')) {
        return {Language::English, "Eng"};
    }
    if (code.starts_with('S')) {
        return {Language::Spanish, "Esp"};
    }
    if (code.starts_with('F')) {
        return {Language::French, "Fra"};
    }
    return {Language::Italian, ""};
}

std::string titleFor(std::string_view code, std::string_view productName)
{
    if (code == kLegacyProductWithOwnTitle) {
        return std::string(kLegacyProductTitle);
    }
    return std::string(trimmed(productName));
}

std::string currentCodeOf(std::string_view code)
{
    return std::string(lookUp(kLegacyCodes, code).value_or(code));
}

// Turns a code of the alternate brand into that brand's own code; false for every other code.
bool adoptAlternateBrandCode(std::string& code)
{
    if (code.starts_with(kAlternateBrandPrefix)) {
        return true;
    }
    const std::optional<std::string_view> brandCode = lookUp(kAlternateBrandCodes, code);
    if (!brandCode) {
        return false;
    }
    code = *brandCode;
    return true;
}

// A command-line argument as the service receives it: trimmed, without double quotes.
std::string argumentText(std::string_view text)
{
    return std::string(trimmed(withoutDoubleQuotes(trimmed(text))));
}

// Appends `text` between double quotes. Backslashes that end it are doubled, so that the closing
// quote still closes it for a program reading its command line by the Windows rules ("C:\" stays a
// folder instead of becoming C: followed by a quote).
void appendQuoted(std::string& commandLine, const std::string& text)
{
    const std::size_t last = text.find_last_not_of('\\');
    const std::size_t trailing = last == std::string::npos ? text.size() : text.size() - last - 1;
    commandLine += '"';
    commandLine += text;
    commandLine.append(trailing, '\\');
    commandLine += '"';
}

// The code, the quoted product name and, when there is one, the quoted extra argument; nothing
// when the product name has no text left.
std::optional<std::string> commandLineFor(std::string_view code, std::string_view title,
                                          std::string_view extraArgument)
{
    const std::string name = argumentText(title);
    if (name.empty()) {
        return std::nullopt;
    }
    std::string commandLine(code);
    commandLine += ' ';
    appendQuoted(commandLine, name);
    const std::string extra = argumentText(extraArgument);
    if (!extra.empty()) {
        commandLine += ' ';
        appendQuoted(commandLine, extra);
    }
    return commandLine;
}

std::string executableFileName(std::string_view suffix)
{
    return std::string(kExecutableFileStem) + std::string(suffix) +
           std::string(kExecutableExtension);
}

std::string defaultExecutablePath(std::string_view suffix)
{
    return std::string(defaultExecutableStem()) + std::string(suffix) +
           std::string(kExecutableExtension);
}

std::string configuredExecutable(Platform& platform, std::string_view configurationFile,
                                 std::string_view suffix)
{
    const std::string value = platform.readProfileString(
        std::string(configurationFile), std::string(kConfigurationSection) + std::string(suffix),
        std::string(kExecutableKey), defaultExecutablePath(suffix));
    return std::string(trimmed(value));
}

// Everything up to and including the last path separator or drive colon.
std::string_view folderOf(std::string_view path)
{
    const std::size_t end = path.find_last_of("\\/:");
    return end == std::string_view::npos ? std::string_view{} : path.substr(0, end + 1);
}

std::string locateService(Platform& platform, std::string_view code, std::string_view suffix)
{
    const std::string path = configuredExecutable(platform, kConfigurationFile, suffix);
    if (!path.empty() && platform.fileExists(path)) {
        return path;
    }
    if (!code.starts_with(kAlternateBrandPrefix)) {
        return path;
    }
    const std::string brandPath =
        configuredExecutable(platform, kAlternateConfigurationFile, suffix);
    return std::string(folderOf(brandPath)) + executableFileName(suffix);
}

std::int32_t startService(Platform& platform, const LaunchRequest& request,
                          const std::string& servicePath, const std::string& commandLine,
                          const std::string& title, Language language)
{
    const int result = platform.shellOpen(servicePath, commandLine);
    if (result <= CORVANLU_HIGHEST_SHELL_ERROR && request.showMessages == 1) {
        platform.showMessage(title,
                             launchFailedMessage(language, result, platform.errorText(result)),
                             MessageIcon::Error);
    }
    return result;
}

std::int32_t reportNotInstalled(Platform& platform, const LibraryState& state,
                                const LaunchRequest& request, const std::string& title,
                                const Edition& edition)
{
    if (request.showMessages != 0) {
        platform.showMessage(title, notInstalledMessage(edition.language),
                             MessageIcon::Information);
    }
    if (edition.suffix.empty()) {
        platform.shellOpen(std::string(state.webAddress()), "");
    }
    return CORVANLU_SERVICE_NOT_INSTALLED;
}

} // namespace

std::int32_t launchLiveUpdate(Platform& platform, LibraryState& state, const LaunchRequest& request)
{
    std::string code = asciiUpper(trimmed(request.productCode));
    if (code.empty()) {
        return CORVANLU_EMPTY_PRODUCT_CODE;
    }

    const std::string title = titleFor(code, request.productName);
    Edition edition = editionOf(code);
    code = currentCodeOf(code);
    if (adoptAlternateBrandCode(code)) {
        edition.suffix.clear();
        state.adoptAlternateBrand();
    }

    const std::optional<std::string> commandLine =
        commandLineFor(code, title, request.extraArgument);
    if (!commandLine) {
        return CORVANLU_EMPTY_PRODUCT_NAME;
    }

    const std::string servicePath = locateService(platform, code, edition.suffix);
    try {
        if (!servicePath.empty() && platform.fileExists(servicePath)) {
            return startService(platform, request, servicePath, *commandLine, title,
                                edition.language);
        }
        return reportNotInstalled(platform, state, request, title, edition);
    } catch (...) {
        return CORVANLU_UNEXPECTED_FAILURE;
    }
}

} // namespace corvanlu
