# Every third-party library the project links, found once for all subsystems.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(UUID REQUIRED IMPORTED_TARGET uuid)
pkg_check_modules(LIBUSB REQUIRED IMPORTED_TARGET libusb-1.0)
pkg_check_modules(TURBOJPEG REQUIRED IMPORTED_TARGET libturbojpeg)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET cairo)
pkg_check_modules(QPDF REQUIRED IMPORTED_TARGET libqpdf)
pkg_check_modules(TESSERACT REQUIRED IMPORTED_TARGET tesseract lept)
pkg_check_modules(NETSNMP REQUIRED IMPORTED_TARGET netsnmp)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-i18n icu-uc)
find_package(nlohmann_json 3 REQUIRED)

# The SANE backend, built when both are present: SANE's headers (never its library, which
# the frontends bring) and libjpeg's scanline decoder.
pkg_check_modules(SANE sane-backends)
pkg_check_modules(LIBJPEG IMPORTED_TARGET libjpeg)

# The scripted USB device of the tests; the project builds without it.
pkg_check_modules(UMOCKDEV IMPORTED_TARGET umockdev-1.0)

# A packager's or a demo's build needs no tests.
if(SCANDESK_BUILD_TESTS)
    find_package(GTest QUIET)
    if(NOT GTest_FOUND)
        message(STATUS "GoogleTest not found: the tests are not built")
        set(SCANDESK_BUILD_TESTS OFF)
    endif()
endif()
if(SCANDESK_BUILD_BENCH)
    find_package(benchmark QUIET)
    if(NOT benchmark_FOUND)
        set(SCANDESK_BUILD_BENCH OFF)
    endif()
endif()

if(SCANDESK_BUILD_UI)
    find_package(Qt6 QUIET COMPONENTS Widgets Test LinguistTools)
    if(NOT Qt6_FOUND)
        message(WARNING "Qt 6 not found: the desktop application is not built")
        set(SCANDESK_BUILD_UI OFF)
    endif()
endif()
