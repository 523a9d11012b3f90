# Sanitizer builds: every target of the tree, so that a fault anywhere stops the test run.
if(CRAVENT_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "The fuzz targets need clang: configure with CXX=clang++ CC=clang")
    endif()
    set(CRAVENT_BUILD_GUI OFF CACHE BOOL "" FORCE)
    set(CRAVENT_BUILD_TESTS OFF CACHE BOOL "" FORCE)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
elseif(CRAVENT_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
