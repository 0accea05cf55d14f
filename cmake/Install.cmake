# `cmake --install` (and `make install PREFIX=...`): the three programs, a
# desktop entry and an icon for each window program, the FCE file type so
# that file managers open FCE files in Mobrix, and fcetool's manual page.
include(GNUInstallDirs)

install(TARGETS mobrix trimlet fcetool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/mobrix.desktop data/trimlet.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/mobrix.svg data/trimlet.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/mobrix-fce.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
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
