# What an install holds besides the program, its desktop entry and icons
# (src/app): the photo store command, the manual, the man pages and the
# Debian documents; and how CPack packs the install as a Debian package:
#   cmake -S . -B build-package -DCMAKE_INSTALL_PREFIX=/usr ... && cpack -G DEB
# scripts/package.sh does all of it.

# The core-only build has no program to install.
if(HANDFOLIO_CORE_ONLY)
  return()
endif()

set(HANDFOLIO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/handfolio)
set(HANDFOLIO_HELPER_DIR ${CMAKE_INSTALL_LIBEXECDIR}/handfolio)
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${packaging_out})

# The photo store as a command of its own. In the tree the script finds its
# server helper beside itself; the installed copy finds it in the helper
# folder, and both run bash from where Debian keeps it.
set(store_dav_line [[dav=$(dirname "$0")/dav-apache.sh]])
foreach(script photo-store dav-apache)
  set(src ${PROJECT_SOURCE_DIR}/scripts/${script}.sh)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${src})
  file(READ ${src} text)
  string(REPLACE "#!/usr/bin/env bash\n" "#!/bin/bash\n" text "${text}")
  if(script STREQUAL "photo-store")
    string(FIND "${text}" "${store_dav_line}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "scripts/photo-store.sh no longer names its helper as '${store_dav_line}'")
    endif()
    string(REPLACE "${store_dav_line}" "dav=${CMAKE_INSTALL_FULL_LIBEXECDIR}/handfolio/dav-apache"
           text "${text}")
  endif()
  file(CONFIGURE OUTPUT ${packaging_out}/${script} CONTENT "${text}" @ONLY)
endforeach()
install(PROGRAMS ${packaging_out}/photo-store DESTINATION ${CMAKE_INSTALL_BINDIR}
        RENAME handfolio-photo-store)
install(PROGRAMS ${packaging_out}/dav-apache DESTINATION ${HANDFOLIO_HELPER_DIR})

# The manual the program shows, as pages to read in a browser too.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help/ DESTINATION ${HANDFOLIO_DOC_DIR}/html)

# Man pages and the changelog go in compressed, without names or times in
# the gzip header, so that two builds give the same package.
set(compressed)
foreach(doc docs/man/handfolio.1 docs/man/handfolio-photo-store.1 docs/man/handfolio-cli.1 packaging/changelog)
  get_filename_component(name ${doc} NAME)
  add_custom_command(OUTPUT ${packaging_out}/${name}.gz
                     COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/${doc} > ${packaging_out}/${name}.gz
                     DEPENDS ${PROJECT_SOURCE_DIR}/${doc}
                     VERBATIM)
  list(APPEND compressed ${packaging_out}/${name}.gz)
endforeach()
add_custom_target(handfolio_docs ALL DEPENDS ${compressed})
install(FILES ${packaging_out}/handfolio.1.gz ${packaging_out}/handfolio-photo-store.1.gz ${packaging_out}/handfolio-cli.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_out}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${HANDFOLIO_DOC_DIR})
# Registers the manual with the desktop's documentation browsers.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/doc-base DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base
        RENAME handfolio)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME handfolio)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillmere)
set(CPACK_PACKAGE_CONTACT "Handfolio developers <handfolio@users.noreply.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo album maker for Palm OS handhelds")
set(CPACK_PACKAGE_DESCRIPTION [[
Handfolio builds photo albums for Palm OS handhelds. For every handheld
user it keeps an album of up to 1000 photos with names, categories and a
private mark, and one 160 x 160 picture per photo, reduced to what the
handheld's screen shows: 4 grays, 16 grays or 256 colours. The handheld's
next HotSync carries the album to the handheld.

Photos come from picture files, the clipboard, scanners and cameras through
SANE, a rectangle dragged on the screen, and a WebDAV photo store; the
handfolio-photo-store command serves a folder of photos as such a store on
the loopback address. Each photo is framed in a picture editor that shows
the handheld picture at its real size.]])
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_HANDFOLIO_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/StripNotes.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The linked libraries (Qt, SANE, libcurl, libheif, ...) give Depends.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What is only loaded or run at run time, which dpkg-shlibdeps cannot see.
# Depends: the photo formats beyond JPEG, PNG, GIF and BMP (TIFF, WebP, ...)
# are Qt plugins, and adding photos from files is the program's main road;
# the dialogs are set in DejaVu Sans and laid out from its metrics; Qt's
# Wayland plugin runs the program natively on a Wayland desktop, the road on
# which the screen capture is tested there. (Qt's X11 platform plugin comes
# with libqt6gui6, which shlibdeps already names.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-image-formats-plugins, fonts-dejavu-core, qt6-wayland")
# (The Album window draws its emblem with Qt SVG, so shlibdeps names
# libqt6svg6, which also holds the icon engine for the large window icons.)
# Recommends, installed unless the user says no: xdg-user-dirs names the
# pictures folder that the file dialog and the photo store start in (both
# fall back to ~/Pictures); the photo store command runs Apache httpd
# (apache2-bin, which sets up no system service), htpasswd from
# apache2-utils, and reads /etc/mime.types from media-types. Not Depends: the
# store is one optional source of photos among six, and the program itself
# runs without any of these.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-user-dirs, apache2-bin, apache2-utils, media-types")
# A session bus lets a HotSync ask the running program to reload its album.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "dbus-user-session | dbus-x11")
include(CPack)
