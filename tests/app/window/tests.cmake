# The main window, driven in process on Qt's offscreen platform with its
# dialogs answered by a fake, the built olven run as a window process, and
# the built wizard started by the window.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Test)

file(GLOB window_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/window/*.cpp)
add_executable(test_app_window ${window_test_sources})
target_link_libraries(test_app_window PRIVATE olvwindow Qt6::Test GTest::gtest)
target_include_directories(test_app_window PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(test_app_window PRIVATE
  OLV_SAMPLES="${CMAKE_SOURCE_DIR}/samples"
  OLV_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots"
  OLV_OLVEN="$<TARGET_FILE:olven>"
  OLV_WIZARD="$<TARGET_FILE:olvenWizzard>")
# The semantic check reads the reference metadata and the documents their
# templates from beside the program, here the test program.
add_dependencies(test_app_window olven olv_metadata_def olv_szablon)
# The wizard command starts the built wizard.
add_dependencies(test_app_window olvenWizzard)
gtest_discover_tests(test_app_window DISCOVERY_MODE PRE_TEST
                     PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LOCPATH=${OLV_TEST_LOCALES}")
