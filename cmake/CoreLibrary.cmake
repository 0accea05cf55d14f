# Core libraries hold the file formats and editing logic. They must stay
# free of Qt Widgets and OpenGL so that fcetool, the tests and the fuzzers can
# use them without a display. core_library() declares such a library and
# checks, once the whole project is configured, that nothing linked it to a
# widget or OpenGL target.

function(_check_core_library target)
    get_target_property(libs ${target} LINK_LIBRARIES)
    get_target_property(ilibs ${target} INTERFACE_LINK_LIBRARIES)
    foreach(lib IN LISTS libs ilibs)
        if(lib MATCHES "Widgets|OpenGL|Gui")
            message(FATAL_ERROR "Core library ${target} must not link ${lib}")
        endif()
    endforeach()
endfunction()

function(core_library target)
    add_library(${target} STATIC ${ARGN})
    target_link_libraries(${target} PRIVATE project_warnings)
    cmake_language(EVAL CODE "cmake_language(DEFER DIRECTORY \"${CMAKE_SOURCE_DIR}\" CALL _check_core_library ${target})")
endfunction()
