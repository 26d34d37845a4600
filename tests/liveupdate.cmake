# Tests of the live-update library. The Windows cross build (liveupdate/windows) includes this file
# too, with its own mirelta_test().

set(LIVEUPDATE_TESTS ${CMAKE_CURRENT_LIST_DIR})

mirelta_test(test_liveupdate SOURCES ${LIVEUPDATE_TESTS}/test_liveupdate.cpp LIBS corvanlu_core)
target_include_directories(test_liveupdate PRIVATE ${LIVEUPDATE_TESTS})

# liveupdate_c_host.c is a host written in C, for the public header's C side.
enable_language(C)
mirelta_test(test_liveupdate_exports
    SOURCES ${LIVEUPDATE_TESTS}/test_liveupdate_exports.cpp ${LIVEUPDATE_TESTS}/fuzz_liveupdate.cpp
            ${LIVEUPDATE_TESTS}/liveupdate_fake_system.cpp ${LIVEUPDATE_TESTS}/liveupdate_c_host.c
    LIBS corvanlu_exports corvanlu_core)
target_include_directories(test_liveupdate_exports PRIVATE ${LIVEUPDATE_TESTS})

if(WIN32)
    add_executable(liveupdate_recorder ${LIVEUPDATE_TESTS}/liveupdate_recorder_win32.cpp)
    target_link_options(liveupdate_recorder PRIVATE -static)
    mirelta_test(test_liveupdate_win32 SOURCES ${LIVEUPDATE_TESTS}/test_liveupdate_win32.cpp
        LIBS corvanlu_platform corvanlu_core version)
    add_dependencies(test_liveupdate_win32 CorvanLU liveupdate_recorder)
else()
    find_package(Qt6 REQUIRED COMPONENTS Widgets)
    mirelta_test(test_liveupdate_posix SOURCES ${LIVEUPDATE_TESTS}/test_liveupdate_posix.cpp
        LIBS corvanlu_platform corvanlu_core Qt6::Widgets Qt6::Test)
    add_dependencies(test_liveupdate_posix CorvanLU)
    target_compile_definitions(test_liveupdate_posix PRIVATE
        CORVANLU_LIBRARY_DIR="$<TARGET_FILE_DIR:CorvanLU>")
    include(${LIVEUPDATE_TESTS}/liveupdate_fuzz.cmake)
endif()
