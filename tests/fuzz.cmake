# libFuzzer targets, made with clang beside the project's own compiler when clang and its fuzzer
# runtime are installed; each runs briefly as a test of the suite (run the program by hand, in its
# work folder, for a longer one).
#
# mirelta_fuzz(fuzz_<name> SOURCES <files...> [INCLUDES <folders...>] [LIBS <libraries...>]
#              [RUNS <count>] [MAX_LEN <bytes>])
# builds build/tests/fuzz_<name> from the sources (the target's own first, with its
# LLVMFuzzerTestOneInput) and adds the test <name>_libfuzzer, which runs it RUNS times (default
# 100000) on inputs of up to MAX_LEN bytes (default 4096) from a fixed seed. Every source is
# compiled once, whatever the number of targets that use it; the project's root is on the include
# path, and headers are followed through the compiler's dependency files.

include_guard(GLOBAL)

find_program(MIRELTA_FUZZ_CLANGXX NAMES clang++ clang++-19 clang++-16 clang++-14)
set(MIRELTA_FUZZ_FLAGS -std=c++20 -g -O1 -Wall -Wextra -Wpedantic -Werror
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
set(MIRELTA_FUZZ_DIR ${CMAKE_CURRENT_BINARY_DIR})

set(MIRELTA_FUZZING OFF)
if(NOT MIRELTA_FUZZ_CLANGXX)
    message(STATUS "clang++ not found: the libFuzzer targets are not built")
else()
    set(probe_dir ${MIRELTA_FUZZ_DIR}/libfuzzer-probe)
    file(WRITE ${probe_dir}/probe.cpp
        "#include <cstddef>\n#include <cstdint>\n"
        "extern \"C\" int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t) { return 0; }\n")
    execute_process(
        COMMAND ${MIRELTA_FUZZ_CLANGXX} -fsanitize=fuzzer ${probe_dir}/probe.cpp -o ${probe_dir}/probe
        RESULT_VARIABLE probe_result OUTPUT_QUIET ERROR_QUIET)
    if(probe_result EQUAL 0)
        set(MIRELTA_FUZZING ON)
    else()
        message(STATUS "clang's libFuzzer runtime is missing: the libFuzzer targets are not built")
    endif()
endif()

# The object file of `source`, compiled for fuzzing with `includes`, into `object_var`; the rule is
# made by the first target that asks for it.
function(mirelta_fuzz_object source includes object_var)
    get_filename_component(source ${source} ABSOLUTE)
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${source})
    set(object ${MIRELTA_FUZZ_DIR}/fuzz-objects/${relative}.o)
    get_property(made GLOBAL PROPERTY MIRELTA_FUZZ_OBJECTS)
    if(NOT object IN_LIST made)
        get_filename_component(folder ${object} DIRECTORY)
        file(MAKE_DIRECTORY ${folder})
        list(TRANSFORM includes PREPEND -I)
        add_custom_command(
            OUTPUT ${object}
            COMMAND ${MIRELTA_FUZZ_CLANGXX} ${MIRELTA_FUZZ_FLAGS} -I${PROJECT_SOURCE_DIR}
                    ${includes} -MD -MF ${object}.d -c ${source} -o ${object}
            DEPENDS ${source}
            DEPFILE ${object}.d
            COMMENT "Compiling ${relative} for fuzzing"
            VERBATIM)
        set_property(GLOBAL APPEND PROPERTY MIRELTA_FUZZ_OBJECTS ${object})
    endif()
    set(${object_var} ${object} PARENT_SCOPE)
endfunction()

function(mirelta_fuzz name)
    if(NOT MIRELTA_FUZZING)
        return()
    endif()
    cmake_parse_arguments(F "" "RUNS;MAX_LEN" "SOURCES;INCLUDES;LIBS" ${ARGN})
    if(NOT F_RUNS)
        set(F_RUNS 100000)
    endif()
    if(NOT F_MAX_LEN)
        set(F_MAX_LEN 4096)
    endif()
    set(objects)
    foreach(source IN LISTS F_SOURCES)
        mirelta_fuzz_object(${source} "${F_INCLUDES}" object)
        list(APPEND objects ${object})
    endforeach()
    set(program ${MIRELTA_FUZZ_DIR}/${name})
    add_custom_command(
        OUTPUT ${program}
        COMMAND ${MIRELTA_FUZZ_CLANGXX} ${MIRELTA_FUZZ_FLAGS} ${objects} ${F_LIBS} -o ${program}
        DEPENDS ${objects}
        COMMENT "Linking the libFuzzer target ${name} with clang"
        VERBATIM)
    add_custom_target(${name}_build ALL DEPENDS ${program})

    string(REGEX REPLACE "^fuzz_" "" test ${name})
    file(MAKE_DIRECTORY ${MIRELTA_FUZZ_DIR}/${name}_work)
    add_test(NAME ${test}_libfuzzer
        COMMAND ${program} -runs=${F_RUNS} -max_len=${F_MAX_LEN} -seed=1
        WORKING_DIRECTORY ${MIRELTA_FUZZ_DIR}/${name}_work)
endfunction()
