# The one set of compile settings that every build of our sources shares: the program, its tests,
# the fuzzers and the benchmark tools all link `span_settings`.
option(SPAN_WERROR "Treat compiler warnings as errors (the test command turns it on)" OFF)
option(SPAN_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

# On Linux: the X window system's own calls, and the accessibility bus where screen readers listen.
if(UNIX AND NOT APPLE)
    set(SPAN_X11 ON)
else()
    set(SPAN_X11 OFF)
endif()

add_library(span_settings INTERFACE)
target_compile_features(span_settings INTERFACE cxx_std_20)
# Off by default: a distribution building the release with a newer compiler must not fail on a
# warning that compiler has newly learned.
target_compile_options(span_settings INTERFACE -Wall -Wextra -Wpedantic
    $<$<BOOL:${SPAN_WERROR}>:-Werror>)
target_compile_definitions(span_settings INTERFACE
    QT_NO_KEYWORDS QT_NO_CAST_FROM_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
if(SPAN_SANITIZE)
    set(span_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
    target_compile_options(span_settings INTERFACE ${span_sanitizers} -fno-omit-frame-pointer)
    target_link_options(span_settings INTERFACE ${span_sanitizers})
endif()
