# mirelta_library(<name> [STATIC | MODULE | INTERFACE] [NO_QT] [FOLDER <folder>]
#                 [SOURCES <files...>] [PUBLIC <targets...>] [PRIVATE <targets...>])
#
# One library of the program (STATIC unless told), its sources in <folder> (by default the folder
# of the calling CMakeLists.txt). Its headers are included with their folder, "text/utf8.h", and
# the library sees only its own headers and those of the libraries it links: its include root is a
# folder of its own in the build tree, include/<name>, that holds one symbolic link, named as the
# folder, to the folder's sources. That root is the library's include directory, for itself and
# for those that link it; a header of a folder the library does not link is not found.
#
# PUBLIC: what the library's own headers need, handed on to its users; PRIVATE: what only its
# sources need. NO_QT: a library on the standard library alone, which moc does not look at. Every
# library of the program compiles with the project's warnings.
function(mirelta_library name)
    cmake_parse_arguments(L "STATIC;MODULE;INTERFACE;NO_QT" "FOLDER" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    if(NOT L_FOLDER)
        cmake_path(GET CMAKE_CURRENT_SOURCE_DIR FILENAME L_FOLDER)
    endif()
    set(root ${PROJECT_BINARY_DIR}/include/${name})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${L_FOLDER} ${root}/${L_FOLDER} SYMBOLIC)

    if(L_INTERFACE)
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${root})
        target_link_libraries(${name} INTERFACE ${L_PUBLIC})
        return()
    endif()
    if(L_MODULE)
        add_library(${name} MODULE ${L_SOURCES})
    else()
        add_library(${name} STATIC ${L_SOURCES})
    endif()
    target_include_directories(${name} PUBLIC ${root})
    target_link_libraries(${name} PUBLIC ${L_PUBLIC} PRIVATE ${L_PRIVATE})
    if(L_NO_QT)
        set_target_properties(${name} PROPERTIES AUTOMOC OFF)
    endif()
    mirelta_warnings(${name})
endfunction()
