// Fuzz target for the two exported functions, on the fake platform of liveupdate_fake_system.cpp.
// The input is cut into flags, the ShowMessages word, the shell's answer and four strings: the
// code, the product name, the extra argument and the configured executable path.

#include "corvanlu.h"
#include "liveupdate_fake_platform.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

    std::int32_t word()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = (value << 8) | byte();
        }
        return static_cast<std::int32_t>(value);
    }

    // The bytes up to the next zero byte, which C strings cannot hold anyway.
    std::string text()
    {
        std::string result;
        while (at_ < size_ && data_[at_] != 0) {
            result += static_cast<char>(data_[at_++]);
        }
        ++at_;
        return result;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

enum Flags : std::uint8_t {
    kNullCode = 1,
    kNullName = 2,
    kNullExtra = 4,
    kServiceExists = 8,
    kShortEntryPoint = 16,
    kFallbackFile = 32,
    kPlatformThrows = 64,
};

bool isDocumentedResult(std::int32_t result, int shellResult)
{
    return (result >= CORVANLU_UNEXPECTED_FAILURE && result <= CORVANLU_EMPTY_PRODUCT_CODE) ||
           result == shellResult;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const std::uint8_t flags = input.byte();
    const std::int32_t showMessages = input.word();
    const std::string code = input.text();
    const std::string name = input.text();
    const std::string extra = input.text();
    const std::string configured = input.text();

    FakePlatform& platform = fakeSystem();
    platform = FakePlatform{};
    platform.shellResult = input.byte() % 64;
    platform.setProfileValue((flags & kFallbackFile) != 0 ? "SolveaLiveUpdate.ini"
                                                          : "CorvanLiveUpdate.ini",
                             "Applicazione", "exe", configured);
    if ((flags & kServiceExists) != 0) {
        platform.existingFiles.insert(configured);
    }
    platform.messageFails = (flags & kPlatformThrows) != 0 && (size % 2) == 0;
    platform.shellFails = (flags & kPlatformThrows) != 0 && (size % 3) == 0;

    const char* codeArgument = (flags & kNullCode) != 0 ? nullptr : code.c_str();
    const char* nameArgument = (flags & kNullName) != 0 ? nullptr : name.c_str();
    const char* extraArgument = (flags & kNullExtra) != 0 ? nullptr : extra.c_str();
    const std::int32_t result =
        (flags & kShortEntryPoint) != 0
            ? CorvanLiveUpdate(codeArgument, nameArgument, extraArgument)
            : CorvanLiveUpdateEx(0, showMessages, codeArgument, nameArgument, extraArgument);
    if (!isDocumentedResult(result, platform.shellResult)) {
        std::abort();
    }
    return 0;
}
