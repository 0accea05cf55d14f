# `cmake --install` (and `make install PREFIX=...`): the three programs, a
# desktop entry, an icon and AppStream metadata for each window program, the
# FCE and car archive file types so that file managers open them in Mobrix
# and show their thumbnails (drawn by fcetool), and fcetool's manual page.
include(GNUInstallDirs)

# The project's published home: AppStream needs web addresses for the
# screenshots and a reverse-domain name for each program. Set both when the
# project is published; the defaults are reserved example names.
set(MOBRIX_HOMEPAGE "https://example.org/mobrix" CACHE STRING "Home page; the screenshots lie under HOMEPAGE/screenshots")
set(MOBRIX_APPSTREAM_ID_PREFIX "org.example.mobrix" CACHE STRING "Reverse-domain prefix of the AppStream ids")
foreach(app mobrix trimlet)
    configure_file(data/${app}.metainfo.xml.in ${CMAKE_BINARY_DIR}/data/${app}.metainfo.xml @ONLY)
endforeach()

install(TARGETS mobrix trimlet fcetool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/mobrix.desktop data/trimlet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/mobrix.svg data/trimlet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/mobrix-fce.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES data/mobrix.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)
install(FILES ${CMAKE_BINARY_DIR}/data/mobrix.metainfo.xml
        RENAME ${MOBRIX_APPSTREAM_ID_PREFIX}.Mobrix.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${CMAKE_BINARY_DIR}/data/trimlet.metainfo.xml
        RENAME ${MOBRIX_APPSTREAM_ID_PREFIX}.Trimlet.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/fcetool.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The desktop's caches learn of the new file type and entries at once; a
# package build (DESTDIR set) leaves that to the package manager.
install(CODE [[
    if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
        set(share "${CMAKE_INSTALL_PREFIX}/share")
        find_program(update_mime update-mime-database)
        find_program(update_desktop update-desktop-database)
        if(update_mime)
            execute_process(COMMAND ${update_mime} "${share}/mime" OUTPUT_QUIET ERROR_QUIET)
        endif()
        if(update_desktop)
            execute_process(COMMAND ${update_desktop} "${share}/applications" OUTPUT_QUIET ERROR_QUIET)
        endif()
    endif()
]])
