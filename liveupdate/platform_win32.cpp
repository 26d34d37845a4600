#include "platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <shellapi.h>

namespace corvanlu {

namespace {

constexpr DWORD kProfileBufferSize = 2048;

std::string convertedText(const std::string& text, UINT fromCodePage, UINT toCodePage)
{
    const int wideLength = MultiByteToWideChar(fromCodePage, 0, text.data(),
                                               static_cast<int>(text.size()), nullptr, 0);
    if (wideLength <= 0) {
        return text;
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(fromCodePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        wideLength);
    const int length =
        WideCharToMultiByte(toCodePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return text;
    }
    std::string result(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(toCodePage, 0, wide.data(), wideLength, result.data(), length, nullptr,
                        nullptr);
    return result;
}

// The Windows API of this library works in the system's ANSI code page; our own texts are UTF-8.
std::string ansiFromUtf8(const std::string& text)
{
    return convertedText(text, CP_UTF8, CP_ACP);
}

std::string utf8FromAnsi(const std::string& text)
{
    return convertedText(text, CP_ACP, CP_UTF8);
}

class Win32Platform final : public Platform {
public:
    std::string readProfileString(const std::string& fileName, const std::string& section,
                                  const std::string& key, const std::string& defaultValue) override
    {
        char value[kProfileBufferSize] = {};
        const DWORD length =
            GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), value,
                                     kProfileBufferSize, fileName.c_str());
        return std::string(value, length);
    }

    bool fileExists(const std::string& path) override
    {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    int shellOpen(const std::string& file, const std::string& parameters) override
    {
        const HINSTANCE result =
            ShellExecuteA(nullptr, "open", file.c_str(), parameters.c_str(), "", SW_SHOWNORMAL);
        return static_cast<int>(reinterpret_cast<INT_PTR>(result));
    }

    std::string errorText(int errorNumber) override
    {
        char text[1024] = {};
        DWORD length =
            FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(errorNumber), 0, text, sizeof text, nullptr);
        while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n')) {
            --length;
        }
        return utf8FromAnsi(std::string(text, length));
    }

    void showMessage(const std::string& title, const std::string& text, MessageIcon icon) override
    {
        const UINT style = MB_OK | (icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
        MessageBoxA(nullptr, ansiFromUtf8(text).c_str(), title.c_str(), style);
    }
};

} // namespace

Platform& systemPlatform()
{
    static Win32Platform platform;
    return platform;
}

} // namespace corvanlu
