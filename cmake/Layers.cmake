# The plug-in's code in layers, lowest first, as TALVERO_LAYERS lists them: the one place their
# order is written. Each layer is a static library of the sources in its folder under Sources/,
# linked with the layers below it that it uses. A layer's headers are reachable, as
# "<Folder>/name.h", only from the layer itself and from the layers that link it: each library
# publishes an include folder of its own, holding nothing but a link to its source folder. An
# include against the direction therefore fails to compile, and before that the layer check
# (cmake/CheckLayers.cmake, run by every build) names the file and what its layer may use.
set(TALVERO_LAYERS Utils Platform Transport Mapping vCard Multistatus Engine Functions Shell)
set(TALVERO_LAYER_INCLUDES ${CMAKE_BINARY_DIR}/layers)

add_custom_target(talvero_layer_check
    COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} "-DLAYERS=${TALVERO_LAYERS}"
            -P ${CMAKE_SOURCE_DIR}/cmake/CheckLayers.cmake
    COMMENT "Checking that every layer includes only the layers below it"
    VERBATIM)

# talvero_layer(TARGET FOLDER [OBJECT] [SOURCES files...] [INCLUDES folders...]
#               [USES layer targets...] [LIBRARIES libraries...])
# Builds the layer in Sources/FOLDER (its *.cpp files plus SOURCES) as the static library TARGET,
# or as an object library with OBJECT; INCLUDES are further public include folders.
function(talvero_layer target folder)
    cmake_parse_arguments(LAYER "OBJECT" "" "SOURCES;USES;LIBRARIES;INCLUDES" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Sources/${folder}/*.cpp)
    if(LAYER_OBJECT)
        add_library(${target} OBJECT ${sources} ${LAYER_SOURCES})
    else()
        add_library(${target} STATIC ${sources} ${LAYER_SOURCES})
    endif()
    add_dependencies(${target} talvero_layer_check)

    set(published ${TALVERO_LAYER_INCLUDES}/${folder})
    file(MAKE_DIRECTORY ${published})
    file(CREATE_LINK ${CMAKE_SOURCE_DIR}/Sources/${folder} ${published}/${folder}
        RESULT linked SYMBOLIC)
    if(NOT linked STREQUAL "0")
        # Where no symbolic link can be made, every layer sees Sources/ whole; the layer check
        # still holds the direction.
        set(published ${CMAKE_SOURCE_DIR}/Sources)
    endif()
    target_include_directories(${target} PUBLIC ${published} ${LAYER_INCLUDES})
    target_link_libraries(${target} PUBLIC ${LAYER_USES} ${LAYER_LIBRARIES})
endfunction()
