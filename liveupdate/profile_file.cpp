#include "profile_file.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace corvanlu {

namespace fs = std::filesystem;

namespace {

std::string_view trimmedBlanks(std::string_view text)
{
    const auto isBlank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r';
    };
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, {}, asciiLower, asciiLower);
}

std::string_view withoutSurroundingQuotes(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

std::string limitedValue(std::string_view value)
{
    return std::string(value.substr(0, kMaxProfileValueLength));
}

// The name of a "[section]" line, if the line is one.
std::optional<std::string_view> sectionName(std::string_view line)
{
    if (!line.starts_with('[')) {
        return std::nullopt;
    }
    line.remove_prefix(1);
    const std::size_t end = line.rfind(']');
    return trimmedBlanks(end == std::string_view::npos ? line : line.substr(0, end));
}

std::vector<std::string_view> linesOf(std::string_view content)
{
    if (content.starts_with("\xEF\xBB\xBF")) {
        content.remove_prefix(3);
    }
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        lines.push_back(trimmedBlanks(content.substr(0, end)));
        content.remove_prefix(end == std::string_view::npos ? content.size() : end + 1);
    }
    return lines;
}

std::vector<fs::path> configurationFolders()
{
    std::vector<fs::path> folders;
    const auto addIfAbsolute = [&folders](std::string_view folder) {
        if (!folder.empty() && folder.front() == '/') {
            folders.emplace_back(folder);
        }
    };
    const char* home = std::getenv("HOME");
    const char* userFolder = std::getenv("XDG_CONFIG_HOME");
    // A relative XDG_CONFIG_HOME is not valid and counts as unset.
    if (userFolder != nullptr && userFolder[0] == '/') {
        addIfAbsolute(userFolder);
    } else if (home != nullptr && *home != '\0') {
        addIfAbsolute(std::string(home) + "/.config");
    }

    const char* systemFolders = std::getenv("XDG_CONFIG_DIRS");
    std::string_view list =
        systemFolders != nullptr && *systemFolders != '\0' ? systemFolders : "/etc/xdg";
    while (!list.empty()) {
        const std::size_t end = list.find(':');
        addIfAbsolute(list.substr(0, end));
        list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    }
    return folders;
}

std::optional<fs::path> fileInFolder(const fs::path& folder, std::string_view fileName)
{
    std::error_code error;
    const fs::path exact = folder / fileName;
    if (fs::is_regular_file(exact, error)) {
        return exact;
    }
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (equalIgnoringCase(entry->path().filename().string(), fileName) &&
            entry->is_regular_file(error)) {
            return entry->path();
        }
    }
    return std::nullopt;
}

std::optional<std::string> fileContent(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

} // namespace

std::optional<std::string> findProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key)
{
    bool inSection = false;
    for (const std::string_view line : linesOf(content)) {
        if (const auto name = sectionName(line)) {
            // Only the first section of a name counts.
            if (inSection) {
                return std::nullopt;
            }
            inSection = equalIgnoringCase(*name, section);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos) {
            continue;
        }
        if (equalIgnoringCase(trimmedBlanks(line.substr(0, equals)), key)) {
            return limitedValue(withoutSurroundingQuotes(trimmedBlanks(line.substr(equals + 1))));
        }
    }
    return std::nullopt;
}

std::optional<fs::path> findProfileFile(std::string_view fileName)
{
    if (fileName.empty()) {
        return std::nullopt;
    }
    if (fileName.find('/') != std::string_view::npos) {
        return fs::path(fileName);
    }
    for (const fs::path& folder : configurationFolders()) {
        if (auto path = fileInFolder(folder, fileName)) {
            return path;
        }
    }
    return std::nullopt;
}

std::string readProfileString(std::string_view fileName, std::string_view section,
                              std::string_view key, std::string_view defaultValue)
{
    const std::optional<fs::path> path = findProfileFile(fileName);
    const std::optional<std::string> content = path ? fileContent(*path) : std::nullopt;
    const std::optional<std::string> value =
        content ? findProfileValue(*content, section, key) : std::nullopt;
    return value ? *value : limitedValue(defaultValue);
}

} // namespace corvanlu
