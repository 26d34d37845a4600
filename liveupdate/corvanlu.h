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

// What CorvanLiveUpdate and CorvanLiveUpdateEx return. Both return an int32_t in one of three
// ranges:
//
//   above 32   the service was started; the value itself means nothing more (test it with
//              CORVANLU_STARTED, never against a fixed number);
//   0 to 32    the service was found but could not be started: the value is the shell's error
//              number, mostly one of the CORVANLU_SHELL_ codes below (any other is an error too),
//              and the user was shown it with the system's text when the low byte of ShowMessages
//              is 1;
//   below 0    the call ended before starting anything, for one of the library's own reasons
//              below.
enum CorvanLUResult {
    // The product code is missing or blank; nothing was done.
    CORVANLU_EMPTY_PRODUCT_CODE = -1,
    // The product name is missing or has no text; nothing was done.
    CORVANLU_EMPTY_PRODUCT_NAME = -2,
    // The service is not installed. The user was told (unless ShowMessages is 0) and, for the
    // Italian editions, the maker's web site was opened.
    CORVANLU_SERVICE_NOT_INSTALLED = -3,
    // An unforeseen failure inside the library, such as memory running out; nothing was started.
    CORVANLU_UNEXPECTED_FAILURE = -4,

    // The shell's error numbers.
    // The system is out of memory or resources.
    CORVANLU_SHELL_OUT_OF_RESOURCES = 0,
    // The service's file was not found.
    CORVANLU_SHELL_FILE_NOT_FOUND = 2,
    // A folder on the service's path was not found.
    CORVANLU_SHELL_PATH_NOT_FOUND = 3,
    // The user may not run the service.
    CORVANLU_SHELL_ACCESS_DENIED = 5,
    // Not enough memory to start the service.
    CORVANLU_SHELL_OUT_OF_MEMORY = 8,
    // The service's file is not a program this system can run.
    CORVANLU_SHELL_NOT_A_PROGRAM = 11,
    // The service's file is in use and cannot be run.
    CORVANLU_SHELL_SHARING_VIOLATION = 26,
    // Windows only: the association of the file's type is incomplete.
    CORVANLU_SHELL_INCOMPLETE_ASSOCIATION = 27,
    // Windows only: a DDE request timed out.
    CORVANLU_SHELL_DDE_TIMEOUT = 28,
    // Windows only: a DDE request failed.
    CORVANLU_SHELL_DDE_FAILED = 29,
    // Windows only: a DDE request could not be handled because others were in progress.
    CORVANLU_SHELL_DDE_BUSY = 30,
    // Windows only: no program is associated with the file's type.
    CORVANLU_SHELL_NO_ASSOCIATION = 31,
    // Windows only: a library needed for the start was not found.
    CORVANLU_SHELL_DLL_NOT_FOUND = 32,

    // The highest shell error number: every greater result means that the service started.
    CORVANLU_HIGHEST_SHELL_ERROR = 32
};

// True when `result` says that the service was started.
#define CORVANLU_STARTED(result) ((result) > CORVANLU_HIGHEST_SHELL_ERROR)

// Starts the live-update service for the product, showing the library's messages. Returns one of
// the results above.
CORVANLU_EXPORT int32_t CORVANLU_CALL CorvanLiveUpdate(const char* ProductCode,
                                                       const char* ProductName,
                                                       const char* ExtraArgument);

// The same, with the messages shown only when the low byte of ShowMessages is set: a missing
// service is reported for any non-zero low byte, a start that failed only for 1. Reserved is
// ignored.
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
