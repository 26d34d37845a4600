# The libFuzzer build of fuzz_liveupdate.cpp (see fuzz.cmake). The same target also runs inside
# test_liveupdate_exports on random input, so a machine without clang still exercises it.

include(${CMAKE_CURRENT_LIST_DIR}/fuzz.cmake)

get_target_property(core_dir corvanlu_core SOURCE_DIR)
get_target_property(core_sources corvanlu_core SOURCES)
list(TRANSFORM core_sources PREPEND ${core_dir}/)
mirelta_fuzz(fuzz_liveupdate
    SOURCES ${LIVEUPDATE_TESTS}/fuzz_liveupdate.cpp ${core_sources} ${core_dir}/corvanlu.cpp
            ${LIVEUPDATE_TESTS}/liveupdate_fake_system.cpp
    INCLUDES ${core_dir} ${LIVEUPDATE_TESTS}
    RUNS 200000)
