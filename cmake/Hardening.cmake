# Optimised builds carry the hardening Debian's own packages have: checked string and memory
# functions, a strong stack protector, a relocation table made read-only once loaded. Sanitizer
# and fuzz builds go without: their run-time intercepts those functions itself.
if(NOT CRAVENT_SANITIZE AND NOT CRAVENT_FUZZ)
    add_compile_options(
        "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>"
        -fstack-protector-strong)
    add_link_options(-Wl,-z,relro -Wl,-z,now)
endif()
