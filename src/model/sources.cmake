# Shared with the fuzz build, which compiles the same files with clang.
set(MOBRIX_MODEL_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/CarModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileErrors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileIO.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FceCodec.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Fce3.cpp
    ${CMAKE_CURRENT_LIST_DIR}/Fce4.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileInfoReport.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SampleCar.cpp
)
