# One place for the warnings every target of the project compiles with.
add_library(cravent_warnings INTERFACE)
target_compile_options(cravent_warnings INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
    -Woverloaded-virtual -Wconversion -Wsign-conversion
    -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
if(CRAVENT_WERROR)
    target_compile_options(cravent_warnings INTERFACE -Werror)
endif()
