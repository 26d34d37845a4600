#pragma once

// Profile (INI) files on POSIX systems, read by the rules of Windows profile files.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvanlu {

// The longest value a profile read returns.
inline constexpr std::size_t kMaxProfileValueLength = 2047;

// The value of `key` in the first section named `section` of the profile text `content`. Names
// are compared without regard to ASCII case; the value is trimmed and loses one pair of
// surrounding quotes. Nothing when the section or the key is missing.
std::optional<std::string> findProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key);

// The profile file a bare name stands for: the first folder of $XDG_CONFIG_HOME (or ~/.config)
// and then $XDG_CONFIG_DIRS (or /etc/xdg) that holds a file of that name, compared without regard
// to case. A name with a folder in it is taken as it is.
std::optional<std::filesystem::path> findProfileFile(std::string_view fileName);

std::string readProfileString(std::string_view fileName, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

} // namespace corvanlu
