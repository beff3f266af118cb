# Fails when a file of src/ includes from a folder above its own in the layers' order, naming the
# file and the include. Run as a test:
#   cmake -DSPAN_SOURCE_DIR=<project>/src -P cmake/check-layers.cmake
include(${CMAKE_CURRENT_LIST_DIR}/sources.cmake) # SPAN_FOLDERS, top down

file(GLOB_RECURSE files RELATIVE ${SPAN_SOURCE_DIR} ${SPAN_SOURCE_DIR}/*.cpp ${SPAN_SOURCE_DIR}/*.h)
set(faults 0)
foreach(file ${files})
    # main.cpp stands above every folder.
    if(NOT file MATCHES "^([^/]+)/")
        continue()
    endif()
    set(folder ${CMAKE_MATCH_1})
    list(FIND SPAN_FOLDERS ${folder} own)
    if(own EQUAL -1)
        message(SEND_ERROR "src/${file}: the folder ${folder}/ has no place in the layers")
        math(EXPR faults "${faults} + 1")
        continue()
    endif()
    # Both spellings reach src/, which is on the include path: "shell/x.h" and <shell/x.h>. An
    # angle-bracket include is ours only when it names one of our folders; <xcb/xcb.h> is not.
    file(STRINGS ${SPAN_SOURCE_DIR}/${file} includes
         REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][^\">/]+/")
    foreach(line ${includes})
        string(REGEX MATCH "([\"<])([^\">/]+)/" _ "${line}")
        set(quote ${CMAKE_MATCH_1})
        list(FIND SPAN_FOLDERS ${CMAKE_MATCH_2} used)
        string(STRIP "${line}" line)
        if(used EQUAL -1 AND quote STREQUAL "<")
            continue()
        elseif(used EQUAL -1)
            message(SEND_ERROR "src/${file}: ${line} names no folder of the layers")
            math(EXPR faults "${faults} + 1")
        elseif(used LESS own)
            message(SEND_ERROR "src/${file}: ${line} reaches up from ${folder}/ to ${CMAKE_MATCH_2}/")
            math(EXPR faults "${faults} + 1")
        endif()
    endforeach()
endforeach()
list(LENGTH files count)
if(faults)
    message(FATAL_ERROR "${faults} include(s) against the layers in ${count} files")
endif()
message(STATUS "layers: ${count} files, every include points down or within its folder")
