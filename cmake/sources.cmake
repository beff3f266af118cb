# The program's folders, from the top layer down: each uses only the folders after it. The
# program, its tests and the benchmark tools all compile these same files.
set(SPAN_FOLDERS app counters shell layouts controls platform time base)

# Fills `out` with every source and header of the folders under `source_dir`; on a system
# without X11, the X11 window system stays out.
function(span_sources out source_dir with_x11)
    set(patterns)
    foreach(folder ${SPAN_FOLDERS})
        list(APPEND patterns ${source_dir}/${folder}/*.cpp ${source_dir}/${folder}/*.h)
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${patterns})
    if(NOT with_x11)
        list(FILTER sources EXCLUDE REGEX "/x11[^/]*$")
    endif()
    set(${out} ${sources} PARENT_SCOPE)
endfunction()
