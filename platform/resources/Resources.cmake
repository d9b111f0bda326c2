# Resources inside a deliverable's own file, as on the device.
#
#     tapweave_add_resources(<target> <folder>)
#
# builds <folder>/Artwork.cpp (the pictures, drawn by code) into a resource compiler, runs it on
# <folder>/Resources.def at build time, and adds the source it writes to <target>: the resource
# table, in the section ".tapweave.rsrc" of the target's file. The pictures are left beside that
# source, in <target>-resources/ of the build folder, for looking at. For example, in
# player/CMakeLists.txt after add_executable(tapweave-player ...):
#
#     tapweave_add_resources(tapweave-player resources)

add_library(tapweave-resource-compiler OBJECT
    ${CMAKE_CURRENT_LIST_DIR}/ResourceCompiler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Image.cpp)
target_include_directories(tapweave-resource-compiler PUBLIC
    ${CMAKE_CURRENT_LIST_DIR}
    ${CMAKE_CURRENT_LIST_DIR}/../modules
    ${CMAKE_CURRENT_LIST_DIR}/../include)

function(tapweave_add_resources target folder)
    get_filename_component(folder ${folder} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
    set(compiler ${target}-artwork)
    set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
    add_executable(${compiler} ${folder}/Artwork.cpp)
    target_link_libraries(${compiler} PRIVATE tapweave-resource-compiler)
    set_target_properties(${compiler} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${output})
    add_custom_command(OUTPUT ${output}/resources.cpp
        COMMAND ${CMAKE_COMMAND} -E make_directory ${output}
        COMMAND ${compiler} ${folder}/Resources.def ${output}
        DEPENDS ${compiler} ${folder}/Resources.def
        COMMENT "Drawing and compiling the resources of ${target}"
        VERBATIM)
    target_sources(${target} PRIVATE ${output}/resources.cpp)
endfunction()
