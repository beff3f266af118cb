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

# Makes `target`, a static library of every source of the program but main(), with the settings
# and the platform's libraries the program ships with. The program and its tests link the one the
# main build makes; the benchmark tools make their own from the same function, so they measure the
# configuration that ships.
function(span_core_library target root)
    span_sources(sources ${root}/src "${SPAN_X11}")
    add_library(${target} STATIC ${sources} ${root}/resources/resources.qrc)
    target_include_directories(${target} PUBLIC ${root}/src)
    target_link_libraries(${target} PUBLIC span_settings Qt6::Widgets)
    if(SPAN_X11)
        # xcb: the window class and the frame extents, which Qt does not offer.
        find_package(Qt6 6.4 REQUIRED COMPONENTS DBus)
        target_link_libraries(${target} PUBLIC xcb Qt6::DBus)
        target_compile_definitions(${target} PUBLIC SPAN_X11 PRIVATE SPAN_ATSPI)
    endif()
    if(WIN32)
        # imm32: whether a window takes typing, for the keys an X input method takes under Wine.
        target_link_libraries(${target} PUBLIC imm32)
    endif()
endfunction()
