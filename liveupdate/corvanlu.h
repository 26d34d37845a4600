#pragma once

// The C interface of the live-update library, for hosts that link it or bind it by name.

#include <stdint.h>

#if defined(_WIN32)
#define CORVANLU_CALL __stdcall
#else
#define CORVANLU_CALL
#endif

// On Windows the module-definition file names the exports and their ordinals.
#if defined(_WIN32)
#define CORVANLU_EXPORT
#else
#define CORVANLU_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Starts the live-update service for the product, showing the library's messages.
CORVANLU_EXPORT int32_t CORVANLU_CALL CorvanLiveUpdate(const char* ProductCode,
                                                       const char* ProductName,
                                                       const char* ExtraArgument);

// The same, with the messages shown only when the low byte of ShowMessages is set.
// Reserved is ignored.
CORVANLU_EXPORT int32_t CORVANLU_CALL CorvanLiveUpdateEx(int32_t Reserved, int32_t ShowMessages,
                                                         const char* ProductCode,
                                                         const char* ProductName,
                                                         const char* ExtraArgument);

typedef int32_t(CORVANLU_CALL* CorvanLiveUpdateFunction)(const char*, const char*, const char*);
typedef int32_t(CORVANLU_CALL* CorvanLiveUpdateExFunction)(int32_t, int32_t, const char*,
                                                           const char*, const char*);

#ifdef __cplusplus
}
#endif
