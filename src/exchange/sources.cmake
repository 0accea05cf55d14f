# Shared with the fuzz build, which compiles every core folder's sources.cmake
# again with clang: list this folder's sources and add them to the core list.
set(MOBRIX_EXCHANGE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ExchangeErrors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExchangeCommon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PartFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Obj.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ThreeDs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/XFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GltfCommon.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GltfWrite.cpp
    ${CMAKE_CURRENT_LIST_DIR}/GltfRead.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Viv.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SampleArchive.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CarArchive.cpp
)
list(APPEND MOBRIX_CORE_SOURCES ${MOBRIX_EXCHANGE_SOURCES})
list(APPEND MOBRIX_CORE_INCLUDES ${CMAKE_CURRENT_LIST_DIR})
