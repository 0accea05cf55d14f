# `make package`: a Debian package of what `cmake --install` installs, made
# by CPack over the built tree. The package manager's triggers refresh the
# file type, desktop and icon caches, so the install step leaves them alone
# (CPack installs with DESTDIR set).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mobrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Mobrix developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor, viewer and command-line tool for NFSIII/NFSIV car models")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Mobrix edits the FCE car models of the racing games NFSIII and NFSIV.\n"
    "Trimlet views NFSIV models as a lit 3D scene. fcetool converts, exchanges\n"
    "and draws models from the command line and makes the thumbnails file\n"
    "managers show for car models and car archives.")
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Mobrix developers <mobrix@example.org>" CACHE STRING
    "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MOBRIX_HOMEPAGE})
# The libraries the programs link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Trimlet and the preview draw with OpenGL; without a graphics driver Mesa's
# software one does.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
