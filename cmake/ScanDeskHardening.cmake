# The hardening Debian builds its packages with: position-independent executables, the
# strong stack protector, fortified libc calls and read-only relocations bound at start.
option(SCANDESK_HARDEN "Build with the distribution's hardening flags" OFF)
if(NOT SCANDESK_HARDEN)
    return()
endif()

# Executables link with -pie (the code is position-independent already).
include(CheckPIESupported)
check_pie_supported()
add_compile_options(-fstack-protector-strong)
# Fortified calls need optimisation (glibc warns without it), and AddressSanitizer
# intercepts the same calls in its own way: neither a Debug nor a sanitized build gets them.
if(NOT SCANDESK_SANITIZE)
    add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE>"
                        "$<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>")
endif()
add_link_options(-Wl,-z,relro,-z,now)
