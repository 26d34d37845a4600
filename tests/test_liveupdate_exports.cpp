// The exported functions on the fake platform, and random input thrown at them.

#include "corvanlu.h"
#include "liveupdate_fake_platform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" const char* liveUpdateOutcomeInC(std::int32_t showMessages, const char* code,
                                            const char* name);

using namespace std::string_view_literals;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

class ExportsTest : public testing::Test {
protected:
    void SetUp() override { fakeSystem() = FakePlatform{}; }

    FakePlatform& platform = fakeSystem();
};

TEST_F(ExportsTest, NullPointersCountAsEmptyStrings)
{
    EXPECT_EQ(CorvanLiveUpdate(nullptr, "Mirelta", "C:\\Mirelta"), -1);
    EXPECT_EQ(CorvanLiveUpdate("CD4417", nullptr, "C:\\Mirelta"), -2);
    platform.installService("C:\\LU\\CorvanLiveUpdate.exe");
    EXPECT_EQ(CorvanLiveUpdateEx(0, 1, "CD4417", "Mirelta", nullptr), 42);
    EXPECT_EQ(CorvanLiveUpdate("CD1020", nullptr, nullptr), 42);
    EXPECT_EQ(platform.shellCalls.at(1).parameters, "CD4020 \"Corvan Gestionale 98\"");
}

TEST_F(ExportsTest, TheShortEntryPointShowsMessages)
{
    EXPECT_EQ(CorvanLiveUpdate("CD4417", "Mirelta", "C:\\Mirelta"), -3);
    ASSERT_EQ(platform.messages.size(), 1u);
    EXPECT_EQ(platform.messages[0].title, "Mirelta");
}

TEST_F(ExportsTest, OnlyTheLowByteOfShowMessagesCountsAndReservedIsIgnored)
{
    EXPECT_EQ(CorvanLiveUpdateEx(0, 0x100, "CD4417", "Mirelta", ""), -3);
    EXPECT_THAT(platform.messages, IsEmpty());
    EXPECT_EQ(CorvanLiveUpdateEx(-77, 0x7FFFFF01, "CD4417", "Mirelta", ""), -3);
    EXPECT_EQ(platform.messages.size(), 1u);
}

TEST_F(ExportsTest, NoFailureReachesTheCaller)
{
    platform.profileFails = true;
    EXPECT_EQ(CorvanLiveUpdate("CD4417", "Mirelta", ""), -4);
}

TEST_F(ExportsTest, AnAlternateBrandCallSwitchesTheWebAddressForTheProcess)
{
    EXPECT_EQ(CorvanLiveUpdateEx(0, 0, "2004101", "Mirelta", ""), -3);
    EXPECT_EQ(CorvanLiveUpdateEx(0, 0, "CD4417", "Mirelta", ""), -3);
    ASSERT_EQ(platform.shellCalls.size(), 2u);
    EXPECT_EQ(platform.shellCalls[1].file, "https://www.solvea.example/");
}

TEST_F(ExportsTest, AHostInCTellsTheResultsApartByTheirNames)
{
    EXPECT_STREQ(liveUpdateOutcomeInC(0, " ", "Mirelta"), "empty code");
    EXPECT_STREQ(liveUpdateOutcomeInC(0, "CD4417", "\"\""), "empty name");
    EXPECT_STREQ(liveUpdateOutcomeInC(0, "CD4417", "Mirelta"), "not installed");
    platform.installService("C:\\LU\\CorvanLiveUpdate.exe");
    EXPECT_STREQ(liveUpdateOutcomeInC(0, "CD4417", "Mirelta"), "started");
    platform.shellResult = 2;
    EXPECT_STREQ(liveUpdateOutcomeInC(0, "CD4417", "Mirelta"), "file not found");
    platform.shellResult = 32;
    EXPECT_STREQ(liveUpdateOutcomeInC(0, "CD4417", "Mirelta"), "other shell error");
    platform.shellFails = true;
    EXPECT_STREQ(liveUpdateOutcomeInC(0, "CD4417", "Mirelta"), "unexpected failure");
}

// The fuzz target's checks on inputs that random bytes rarely produce.
TEST(ExportsFuzz, LongValuesAndEveryByteAreHandled)
{
    const std::string longText(200000, 'a');
    std::string everyByte;
    for (int c = 1; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    for (const std::uint8_t flags : {0, 8, 16, 24, 32, 40, 64, 72, 127}) {
        for (const std::string& text : {longText, everyByte, std::string("cd6 \"\"\\")}) {
            std::string input(1, static_cast<char>(flags));
            input += std::string("\0\0\0\1", 4) + text + '\0' + text + '\0' + text + '\0' + text;
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()),
                                   input.size());
        }
    }
}

TEST(ExportsFuzz, RandomInputsNeverCrash)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 400);
    const std::string_view alphabet = "CDEFS0123456 \t\"\\/:\0"sv;
    for (int run = 0; run < 20000; ++run) {
        std::vector<std::uint8_t> input(static_cast<std::size_t>(length(random)));
        const bool readable = run % 2 == 0;
        for (std::uint8_t& b : input) {
            const int value = byte(random);
            b = readable ? static_cast<std::uint8_t>(alphabet[value % alphabet.size()])
                         : static_cast<std::uint8_t>(value);
        }
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
}

} // namespace
