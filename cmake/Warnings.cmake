# Every target of ours compiles with the full warning set and no warning is tolerated.
# GCC 12 reports false -Wrestrict overlaps inside std::string's own code (fixed in GCC 13).
function(mirelta_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror
        $<$<AND:$<CXX_COMPILER_ID:GNU>,$<VERSION_LESS:$<CXX_COMPILER_VERSION>,13>>:-Wno-restrict>)
endfunction()
