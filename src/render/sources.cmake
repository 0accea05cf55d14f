# Shared with the fuzz build, which compiles every core folder's sources.cmake
# again with clang: list this folder's sources and add them to the core list.
set(MOBRIX_RENDER_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PictureFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Rasteriser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TextureSearch.cpp
)
list(APPEND MOBRIX_CORE_SOURCES ${MOBRIX_RENDER_SOURCES})
list(APPEND MOBRIX_CORE_INCLUDES ${CMAKE_CURRENT_LIST_DIR})
