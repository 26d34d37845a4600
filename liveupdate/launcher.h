#pragma once

#include "corvanlu.h"
#include "platform.h"
#include "products.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvanlu {

// What the library keeps between calls, which the host may make from several threads at once. The
// web address turns to the alternate brand's for good once a call has recognised one of that
// brand's products.
class LibraryState {
public:
    std::string_view webAddress() const
    {
        return alternateBrand_.load() ? kAlternateBrandWebAddress : kMakerWebAddress;
    }
    void adoptAlternateBrand() { alternateBrand_.store(true); }

private:
    std::atomic<bool> alternateBrand_{false};
};

struct LaunchRequest {
    // The low byte of the host's flag; hosts pass 1 to show the message boxes and 0 to suppress
    // them. A failed start is reported only for 1, a missing service for anything but 0.
    std::uint8_t showMessages = 1;
    std::string_view productCode;
    std::string_view productName;
    std::string_view extraArgument;
};

// Finds the live-update service and starts it for the host's product, or tells the user that it
// is missing. Returns one of the results of corvanlu.h.
std::int32_t launchLiveUpdate(Platform& platform, LibraryState& state,
                              const LaunchRequest& request);

} // namespace corvanlu
