# GUI test executables create one QApplication in their own main (see
# tests/support/GuiTestMain.cpp) and need an X server: the real one when
# DISPLAY is set, otherwise a private Xvfb started by scripts/with-display.
# Qt's offscreen platform has no OpenGL, so every test that shows a window
# runs this way, discovery included. They carry the label "gui", which the
# sanitizer run uses to run them once more with OpenGL.

add_library(gui_test_main STATIC ${CMAKE_SOURCE_DIR}/tests/support/GuiTestMain.cpp)
target_link_libraries(gui_test_main PUBLIC GTest::gtest GTest::gmock Qt6::Widgets Qt6::Test PRIVATE project_warnings)

function(add_gui_test target)
    target_link_libraries(${target} PRIVATE gui_test_main)
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/with-display)
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=xcb" LABELS gui)
endfunction()
