#include "products.h"

namespace corvanlu {

std::string_view defaultExecutableStem()
{
#ifdef _WIN32
    return "C:\\Programmi\\Corvan Live Update\\CorvanLiveUpdate";
#else
    return "/opt/Corvan Live Update/CorvanLiveUpdate";
#endif
}

} // namespace corvanlu
