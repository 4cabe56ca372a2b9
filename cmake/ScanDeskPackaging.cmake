# What `cmake --install` puts on a system and the Debian packages CPack builds from it:
#   scandesk          the three programs, desktop entry, icon, metainfo, udev rule, man pages
#   libsane-scandesk  the SANE backend, its configuration and its man page (when it is built)
# Packages need the prefix /usr (the release preset sets it) so that the library directory
# is the multiarch one SANE searches.
set(SCANDESK_BACKEND_TARGET sane-scandesk)
if(TARGET ${SCANDESK_BACKEND_TARGET})
    set(SCANDESK_HAS_BACKEND ON)
else()
    set(SCANDESK_HAS_BACKEND OFF)
endif()

set(SCANDESK_UDEV_RULES_DIR "/lib/udev/rules.d" CACHE PATH "Where the udev rule is installed")
set(pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(pkg_out ${PROJECT_BINARY_DIR}/packaging)
set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc)

# Man pages: scdoc sources, compressed without a time stamp so that packages are reproducible.
find_program(SCDOC_PROGRAM scdoc)
set(man_pages scandesk.1 scandesk-cli.1 scandesk-emulator.1)
if(SCANDESK_HAS_BACKEND)
    list(APPEND man_pages sane-scandesk.5)
endif()
set(pkg_outputs "")
if(SCDOC_PROGRAM)
    foreach(page ${man_pages})
        set(out ${pkg_out}/man/${page}.gz)
        add_custom_command(
            OUTPUT ${out}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${pkg_out}/man
            COMMAND sh -c "'${SCDOC_PROGRAM}' < '${pkg_src}/man/${page}.scd' | gzip -9n > '${out}'"
            DEPENDS ${pkg_src}/man/${page}.scd
            VERBATIM)
        list(APPEND pkg_outputs ${out})
        string(REGEX MATCH "[0-9]$" section ${page})
        set(component scandesk)
        if(section STREQUAL "5")
            set(component libsane-scandesk)
        endif()
        install(FILES ${out} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section}
                COMPONENT ${component})
    endforeach()
else()
    message(STATUS "scdoc not found: the man pages are not built")
endif()

configure_file(${pkg_src}/changelog.in ${pkg_out}/changelog @ONLY)
configure_file(${pkg_src}/org.scandesk.ScanDesk.metainfo.xml.in
               ${pkg_out}/org.scandesk.ScanDesk.metainfo.xml @ONLY)
add_custom_command(
    OUTPUT ${pkg_out}/changelog.gz
    COMMAND sh -c "gzip -9n < '${pkg_out}/changelog' > '${pkg_out}/changelog.gz'"
    DEPENDS ${pkg_out}/changelog
    VERBATIM)
list(APPEND pkg_outputs ${pkg_out}/changelog.gz)
add_custom_target(scandesk_packaging_files ALL DEPENDS ${pkg_outputs})

install(FILES ${pkg_src}/scandesk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        COMPONENT scandesk)
install(FILES ${pkg_src}/scandesk.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT scandesk)
install(FILES ${pkg_out}/org.scandesk.ScanDesk.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT scandesk)
install(FILES ${pkg_src}/60-scandesk.rules DESTINATION ${SCANDESK_UDEV_RULES_DIR}
        COMPONENT scandesk)

set(components scandesk)
if(SCANDESK_HAS_BACKEND)
    list(APPEND components libsane-scandesk)
endif()
if(SCANDESK_HAS_BACKEND)
    # SANE loads backends by their versioned name; the development link of a plugin has no
    # place on a user's system. (Runs after the backend's own rules; a no-op once those skip it.)
    install(CODE "file(REMOVE \"\$ENV{DESTDIR}${CMAKE_INSTALL_FULL_LIBDIR}/sane/libsane-scandesk.so\")"
            COMPONENT libsane-scandesk)
endif()
foreach(component ${components})
    install(FILES ${pkg_src}/copyright ${pkg_out}/changelog.gz
            DESTINATION ${doc_dir}/${component} COMPONENT ${component})
endforeach()

# The Debian packages (`make package`).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME scandesk)
set(CPACK_PACKAGE_VENDOR "ScanDesk developers")
set(CPACK_PACKAGE_CONTACT "ScanDesk developers <scandesk@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${components})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(CPACK_DEBIAN_SCANDESK_PACKAGE_NAME scandesk)
set(CPACK_DEBIAN_SCANDESK_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_SCANDESK_PACKAGE_CONTROL_EXTRA ${pkg_src}/postinst)
# Searchable PDFs read pages with these recognition models.
set(CPACK_DEBIAN_SCANDESK_PACKAGE_RECOMMENDS "tesseract-ocr-eng, tesseract-ocr-chi-sim, tesseract-ocr-osd")
set(CPACK_DEBIAN_SCANDESK_DESCRIPTION "scan documents from network and USB scanners
ScanDesk finds the maker's scanners on the local networks and on the USB bus
and writes what they scan as JPEG or BMP page files or as one PDF, with
rotation and two pages combined on one sheet. It has a desktop window
(scandesk), a command-line program for scripts (scandesk-cli) and a virtual
scanner for demonstrations and tests (scandesk-emulator).")

# The backend's files under /etc are the administrator's: dpkg keeps their edits.
file(WRITE ${pkg_out}/libsane-scandesk/conffiles
     "/etc/sane.d/scandesk.conf\n/etc/sane.d/dll.d/scandesk\n")
set(CPACK_DEBIAN_LIBSANE-SCANDESK_PACKAGE_NAME libsane-scandesk)
set(CPACK_DEBIAN_LIBSANE-SCANDESK_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBSANE-SCANDESK_PACKAGE_CONTROL_EXTRA ${pkg_out}/libsane-scandesk/conffiles)
set(CPACK_DEBIAN_LIBSANE-SCANDESK_DESCRIPTION "SANE backend for the maker's scanners
This backend lets SANE front ends such as scanimage scan from the maker's
scanners over the network (TCP) or USB. Network scanners are found by an
SNMP broadcast or listed in /etc/sane.d/scandesk.conf.")

include(CPack)
