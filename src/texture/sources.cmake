# Shared with the fuzz build, which compiles every core folder's sources.cmake
# again with clang: list this folder's sources and add them to the core list.
set(MOBRIX_TEXTURE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RemapSections.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Remap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RemapFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TgaToBmp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TexturePoints.cpp
)
list(APPEND MOBRIX_CORE_SOURCES ${MOBRIX_TEXTURE_SOURCES})
list(APPEND MOBRIX_CORE_INCLUDES ${CMAKE_CURRENT_LIST_DIR})
