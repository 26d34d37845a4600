# Every target of ours compiles with the full warning set. ./build.sh and CI make warnings errors
# (MIRELTA_WERROR=ON); a packager's plain cmake keeps them warnings, so that a newer compiler's new
# warning does not break the build.
# GCC 12 reports false -Wrestrict overlaps inside std::string's own code (fixed in GCC 13).
option(MIRELTA_WERROR "Treat compiler warnings as errors" OFF)

function(mirelta_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
        $<$<BOOL:${MIRELTA_WERROR}>:-Werror>
        $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
endfunction()
