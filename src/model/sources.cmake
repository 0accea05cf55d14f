# Shared with the fuzz build, which compiles every core folder's sources.cmake
# again with clang: list this folder's sources and add them to the core list.
set(MOBRIX_MODEL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/CarModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileErrors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileIO.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FceCodec.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Fce3.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Fce4.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FceVariants.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileInfoReport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SampleCar.cpp
)
list(APPEND MOBRIX_CORE_SOURCES ${MOBRIX_MODEL_SOURCES})
list(APPEND MOBRIX_CORE_INCLUDES ${CMAKE_CURRENT_LIST_DIR})
