/* A host written in C: the public header compiles as C, and its result names and function types
   serve such a host. */

#include "corvanlu.h"

#include <stddef.h>

const char* liveUpdateOutcomeInC(int32_t showMessages, const char* code, const char* name)
{
    const CorvanLiveUpdateExFunction liveUpdate = CorvanLiveUpdateEx;
    const int32_t result = liveUpdate(0, showMessages, code, name, NULL);
    if (CORVANLU_STARTED(result)) {
        return "started";
    }
    switch (result) {
    case CORVANLU_EMPTY_PRODUCT_CODE:
        return "empty code";
    case CORVANLU_EMPTY_PRODUCT_NAME:
        return "empty name";
    case CORVANLU_SERVICE_NOT_INSTALLED:
        return "not installed";
    case CORVANLU_UNEXPECTED_FAILURE:
        return "unexpected failure";
    case CORVANLU_SHELL_FILE_NOT_FOUND:
        return "file not found";
    default:
        return result >= 0 ? "other shell error" : "unknown";
    }
}
