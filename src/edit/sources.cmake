# Listed for the fuzz build as well (see src/model/sources.cmake).
set(MOBRIX_EDIT_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/CleanUp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Colours.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Damage.cpp
    ${CMAKE_CURRENT_LIST_DIR}/EditRecord.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MeshEdit.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PartsDummies.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Transforms.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VertexEditor.cpp
)
list(APPEND MOBRIX_CORE_SOURCES ${MOBRIX_EDIT_SOURCES})
list(APPEND MOBRIX_CORE_INCLUDES ${CMAKE_CURRENT_LIST_DIR})
