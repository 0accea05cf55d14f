# Shared with the fuzz build: the folder holds headers only.
list(APPEND MOBRIX_CORE_INCLUDES ${CMAKE_CURRENT_LIST_DIR})
