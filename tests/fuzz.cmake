# libFuzzer targets, made with clang beside the project's own compiler when clang and its fuzzer
# runtime are installed; each runs briefly as a test of the suite (run the program by hand, in its
# work folder, for a longer one).
#
# mirelta_fuzz(fuzz_<name> SOURCES <files...> [LIBRARIES <targets...>] [INCLUDES <folders...>]
#              [RUNS <count>] [MAX_LEN <bytes>])
# builds build/tests/fuzz_<name> from the sources (the target's own first, with its
# LLVMFuzzerTestOneInput) and from those of the project's libraries named and of the libraries
# they link, and adds the test <name>_libfuzzer, which runs it RUNS times (default 100000) on inputs
# of up to MAX_LEN bytes (default 4096) from a fixed seed. A library's sources see the include roots
# of that library and of those it links, as in the build; the target's own sources those of all the
# libraries named, and INCLUDES. Every source is compiled once, whatever the number of targets that
# use it, and headers are followed through the compiler's dependency files. The target's own first
# source is also known to the build's compile commands (for clang-tidy), without being built.

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

# The project's static libraries named and those they link, each once, into `variable`.
function(mirelta_fuzz_libraries variable)
    set(found)
    set(pending ${ARGN})
    while(pending)
        list(POP_FRONT pending library)
        if(NOT TARGET ${library} OR library IN_LIST found)
            continue()
        endif()
        get_target_property(type ${library} TYPE)
        get_target_property(imported ${library} IMPORTED)
        if(imported OR NOT type STREQUAL "STATIC_LIBRARY")
            continue()
        endif()
        list(APPEND found ${library})
        get_target_property(links ${library} LINK_LIBRARIES)
        if(links)
            list(APPEND pending ${links})
        endif()
    endwhile()
    set(${variable} ${found} PARENT_SCOPE)
endfunction()

# The include roots of `libraries` and of those they link, into `variable`.
function(mirelta_fuzz_includes variable)
    mirelta_fuzz_libraries(libraries ${ARGN})
    set(includes)
    foreach(library IN LISTS libraries)
        get_target_property(roots ${library} INTERFACE_INCLUDE_DIRECTORIES)
        list(APPEND includes ${roots})
    endforeach()
    list(REMOVE_DUPLICATES includes)
    set(${variable} ${includes} PARENT_SCOPE)
endfunction()

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
            COMMAND ${MIRELTA_FUZZ_CLANGXX} ${MIRELTA_FUZZ_FLAGS} ${includes} -MD -MF ${object}.d
                    -c ${source} -o ${object}
            DEPENDS ${source}
            DEPFILE ${object}.d
            COMMENT "Compiling ${relative} for fuzzing"
            VERBATIM)
        set_property(GLOBAL APPEND PROPERTY MIRELTA_FUZZ_OBJECTS ${object})
    endif()
    set(${object_var} ${object} PARENT_SCOPE)
endfunction()

function(mirelta_fuzz name)
    cmake_parse_arguments(F "" "RUNS;MAX_LEN" "SOURCES;LIBRARIES;INCLUDES" ${ARGN})
    mirelta_fuzz_includes(includes ${F_LIBRARIES})
    list(APPEND includes ${F_INCLUDES})
    if(F_LIBRARIES)
        list(GET F_SOURCES 0 own)
        add_library(${name}_source OBJECT EXCLUDE_FROM_ALL ${own})
        target_link_libraries(${name}_source PRIVATE ${F_LIBRARIES})
        set_target_properties(${name}_source PROPERTIES AUTOMOC OFF)
    endif()
    if(NOT MIRELTA_FUZZING)
        return()
    endif()
    if(NOT F_RUNS)
        set(F_RUNS 100000)
    endif()
    if(NOT F_MAX_LEN)
        set(F_MAX_LEN 4096)
    endif()
    set(objects)
    foreach(source IN LISTS F_SOURCES)
        mirelta_fuzz_object(${source} "${includes}" object)
        list(APPEND objects ${object})
    endforeach()
    mirelta_fuzz_libraries(libraries ${F_LIBRARIES})
    foreach(library IN LISTS libraries)
        mirelta_fuzz_includes(library_includes ${library})
        get_target_property(folder ${library} SOURCE_DIR)
        get_target_property(sources ${library} SOURCES)
        foreach(source IN LISTS sources)
            mirelta_fuzz_object(${folder}/${source} "${library_includes}" object)
            list(APPEND objects ${object})
        endforeach()
    endforeach()
    set(program ${MIRELTA_FUZZ_DIR}/${name})
    add_custom_command(
        OUTPUT ${program}
        COMMAND ${MIRELTA_FUZZ_CLANGXX} ${MIRELTA_FUZZ_FLAGS} ${objects} -o ${program}
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
