// The library's two exported functions. Nothing thrown inside may cross the C interface.

#include "corvanlu.h"

#include "launcher.h"
#include "platform.h"

namespace {

corvanlu::LibraryState libraryState;

const char* textOrEmpty(const char* text)
{
    return text != nullptr ? text : "";
}

} // namespace

extern "C" int32_t CORVANLU_CALL CorvanLiveUpdateEx(int32_t Reserved, int32_t ShowMessages,
                                                    const char* ProductCode,
                                                    const char* ProductName,
                                                    const char* ExtraArgument)
{
    static_cast<void>(Reserved);
    try {
        const corvanlu::LaunchRequest request{
            .showMessages = static_cast<std::uint8_t>(ShowMessages & 0xFF),
            .productCode = textOrEmpty(ProductCode),
            .productName = textOrEmpty(ProductName),
            .extraArgument = textOrEmpty(ExtraArgument),
        };
        return corvanlu::launchLiveUpdate(corvanlu::systemPlatform(), libraryState, request);
    } catch (...) {
        return CORVANLU_UNEXPECTED_FAILURE;
    }
}

extern "C" int32_t CORVANLU_CALL CorvanLiveUpdate(const char* ProductCode, const char* ProductName,
                                                  const char* ExtraArgument)
{
    return CorvanLiveUpdateEx(0, 1, ProductCode, ProductName, ExtraArgument);
}
