# The libFuzzer build of fuzz_liveupdate.cpp, made with clang beside the project's own compiler
# when clang and its fuzzer runtime are installed. The same target also runs inside
# test_liveupdate_exports on random input, so a machine without clang still exercises it.

find_program(LIVEUPDATE_CLANGXX NAMES clang++ clang++-19 clang++-16 clang++-14)
if(NOT LIVEUPDATE_CLANGXX)
    message(STATUS "clang++ not found: the libFuzzer target of CorvanLU is not built")
    return()
endif()

set(probe_dir ${CMAKE_CURRENT_BINARY_DIR}/libfuzzer-probe)
file(WRITE ${probe_dir}/probe.cpp
    "#include <cstddef>\n#include <cstdint>\n"
    "extern \"C\" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }\n")
execute_process(
    COMMAND ${LIVEUPDATE_CLANGXX} -fsanitize=fuzzer ${probe_dir}/probe.cpp -o ${probe_dir}/probe
    RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
if(NOT probe_result EQUAL 0)
    message(STATUS "clang's libFuzzer runtime is missing: the libFuzzer target of CorvanLU is not built")
    return()
endif()

get_target_property(core_dir corvanlu_core SOURCE_DIR)
get_target_property(core_sources corvanlu_core SOURCES)
list(TRANSFORM core_sources PREPEND ${core_dir}/)
set(fuzz_sources ${core_sources} ${core_dir}/corvanlu.cpp ${LIVEUPDATE_TESTS}/fuzz_liveupdate.cpp
    ${LIVEUPDATE_TESTS}/liveupdate_fake_system.cpp)

add_custom_command(
    OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/fuzz_liveupdate
    COMMAND ${LIVEUPDATE_CLANGXX} -std=c++20 -g -O1 -Wall -Wextra -Wpedantic -Werror
            -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
            -I${core_dir} -I${LIVEUPDATE_TESTS} ${fuzz_sources}
            -o ${CMAKE_CURRENT_BINARY_DIR}/fuzz_liveupdate
    DEPENDS ${fuzz_sources} ${core_dir}/corvanlu.h ${LIVEUPDATE_TESTS}/liveupdate_fake_platform.h
    COMMENT "Building the libFuzzer target fuzz_liveupdate with clang"
    VERBATIM)
add_custom_target(fuzz_liveupdate_build ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/fuzz_liveupdate)

# A bounded run in the suite; run the program by hand for a longer one.
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fuzz_liveupdate_work)
add_test(NAME liveupdate_libfuzzer
    COMMAND ${CMAKE_CURRENT_BINARY_DIR}/fuzz_liveupdate -runs=200000 -max_len=4096 -seed=1
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/fuzz_liveupdate_work)
