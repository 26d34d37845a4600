// The Win32 services of the live-update library, and the built DLL loaded by a host.

#include "corvanlu.h"
#include "platform.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

using testing::EndsWith;

namespace {

std::string temporaryPath(const std::string& name)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

std::string programFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path);
    return program.substr(0, program.find_last_of('\\') + 1);
}

std::string fileContent(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The command line the recorder wrote, once it has: at most ten seconds later.
std::string recordedCommandLine(const std::string& record)
{
    const ULONGLONG deadline = GetTickCount64() + 10000;
    while (GetFileAttributesA(record.c_str()) == INVALID_FILE_ATTRIBUTES &&
           GetTickCount64() < deadline) {
        Sleep(10);
    }
    return fileContent(record);
}

template <typename Function> Function exportOf(HMODULE library, LPCSTR name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

TEST(Win32Platform, ReadsProfileValuesTrimmedAndLimited)
{
    const std::string ini = temporaryPath("corvanlu-test.ini");
    std::ofstream(ini) << "[Applicazione]\nexe =  C:\\LU\\Update.exe  \nlong="
                       << std::string(3000, 'x') << "\n";
    corvanlu::Platform& platform = corvanlu::systemPlatform();
    EXPECT_EQ(platform.readProfileString(ini, "APPLICAZIONE", "Exe", "d"), "C:\\LU\\Update.exe");
    EXPECT_EQ(platform.readProfileString(ini, "Applicazione", "long", "d").size(), 2047u);
    EXPECT_EQ(platform.readProfileString(ini, "ApplicazioneEng", "exe", "d"), "d");
    DeleteFileA(ini.c_str());
}

TEST(Win32Platform, TestsFilesAndReportsShellErrorsWithTheirTexts)
{
    corvanlu::Platform& platform = corvanlu::systemPlatform();
    const std::string missing = temporaryPath("corvanlu-missing.exe");
    EXPECT_TRUE(platform.fileExists(programFolder() + "CorvanLU.dll"));
    EXPECT_FALSE(platform.fileExists(programFolder()));
    EXPECT_FALSE(platform.fileExists(missing));
    EXPECT_EQ(platform.shellOpen(missing, "CD4417 \"Mirelta\""), 2);
    const std::string text = platform.errorText(2);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
}

class Win32HostCheck : public testing::Test {
protected:
    void SetUp() override
    {
        library = LoadLibraryA("CorvanLU.dll");
        ASSERT_NE(library, nullptr);
        liveUpdateEx = exportOf<CorvanLiveUpdateExFunction>(library, "CorvanLiveUpdateEx");
        ASSERT_NE(liveUpdateEx, nullptr);
    }
    void TearDown() override
    {
        if (library != nullptr) {
            FreeLibrary(library);
        }
    }

    HMODULE library = nullptr;
    CorvanLiveUpdateExFunction liveUpdateEx = nullptr;
};

TEST_F(Win32HostCheck, ExportsAreFoundByNameAndOrdinal)
{
    EXPECT_EQ(exportOf<CorvanLiveUpdateExFunction>(library, MAKEINTRESOURCEA(1)), liveUpdateEx);
    const auto liveUpdate = exportOf<CorvanLiveUpdateFunction>(library, "CorvanLiveUpdate");
    ASSERT_NE(liveUpdate, nullptr);
    EXPECT_EQ(exportOf<CorvanLiveUpdateFunction>(library, MAKEINTRESOURCEA(2)), liveUpdate);
}

TEST_F(Win32HostCheck, VersionResourceNamesTheService)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(library, path, MAX_PATH);
    std::string data(GetFileVersionInfoSizeA(path, nullptr), '\0');
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(2, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(41, 0));
    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\041004E4\\FileDescription",
                               reinterpret_cast<void**>(&text), &size));
    EXPECT_STREQ(text, "Corvan Live Update");
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\StringFileInfo\\041004E4\\ProductVersion",
                               reinterpret_cast<void**>(&text), &size));
    EXPECT_STREQ(text, "1.2");
}

// The English edition opens no web address, so nothing leaves the machine when this fails.
TEST_F(Win32HostCheck, StartsTheServiceNamedInTheWindowsFoldersProfile)
{
    char windowsFolder[MAX_PATH] = {};
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    const std::string ini = std::string(windowsFolder) + "\\CorvanLiveUpdate.ini";
    if (GetFileAttributesA(ini.c_str()) != INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "a live-update service is configured on this machine";
    }
    EXPECT_EQ(liveUpdateEx(0, 0, "ECD4417", "Mirelta", "C:\\Programmi\\Mirelta"), -3);

    if (!(std::ofstream(ini) << "[ApplicazioneEng]\nexe=" << programFolder()
                             << "liveupdate_recorder.exe\n")) {
        GTEST_SKIP() << "the Windows folder is not writable";
    }
    const std::string record = temporaryPath("corvanlu-record.txt");
    DeleteFileA(record.c_str());
    SetEnvironmentVariableA("CORVANLU_RECORD", record.c_str());
    const std::int32_t result = liveUpdateEx(0, 0, "ECD4417", "Mirelta", "C:\\Programmi\\Mirelta");
    DeleteFileA(ini.c_str());
    EXPECT_GT(result, 32);
    EXPECT_THAT(recordedCommandLine(record),
                EndsWith("ECD4417 \"Mirelta\" \"C:\\Programmi\\Mirelta\""));
    DeleteFileA(record.c_str());
}

} // namespace
