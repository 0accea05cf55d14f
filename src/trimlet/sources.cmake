# Shared with the fuzz build, which compiles every core folder's sources.cmake
# again with clang: list the viewer's plain C++ core and add it to the core
# list. The viewer keeps its own FCE store and uses nothing of the editor's
# model but the header-only helpers in src/common.
set(TRIMLET_CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/TrimletTypes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PartFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FceStore.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProjectFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SafeFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Workspace.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TempFolder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Normals.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Config.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ErrorReport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DeviceChoice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SceneMath.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Scene.cpp
)
list(APPEND MOBRIX_CORE_SOURCES ${TRIMLET_CORE_SOURCES})
list(APPEND MOBRIX_CORE_INCLUDES ${CMAKE_CURRENT_LIST_DIR})
