# libcurl (CURL::libcurl) and pugixml (TALVERO_PUGIXML, linked statically where the package
# offers it). With TALVERO_OBJECTS_ONLY, only their headers: CURL_INCLUDE_DIR and
# PUGIXML_INCLUDE_DIR, found or given.
if(TALVERO_OBJECTS_ONLY)
    find_path(CURL_INCLUDE_DIR curl/curl.h REQUIRED)
    find_path(PUGIXML_INCLUDE_DIR pugixml.hpp REQUIRED)
    add_library(CURL::libcurl INTERFACE IMPORTED)
    target_include_directories(CURL::libcurl INTERFACE ${CURL_INCLUDE_DIR})
    add_library(talvero_pugixml_headers INTERFACE)
    target_include_directories(talvero_pugixml_headers INTERFACE ${PUGIXML_INCLUDE_DIR})
    set(TALVERO_PUGIXML talvero_pugixml_headers)
    return()
endif()

find_package(CURL REQUIRED)
find_package(pugixml REQUIRED)
if(TARGET pugixml::static)
    set(TALVERO_PUGIXML pugixml::static)
else()
    set(TALVERO_PUGIXML pugixml::pugixml)
endif()
