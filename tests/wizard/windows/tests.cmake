# The wizard's windows, driven in process on Qt's offscreen platform with
# their prompts answered by a fake, and the built olvenWizzard run as a
# program.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

file(GLOB wizard_window_test_sources CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_SOURCE_DIR}/wizard/windows/*.cpp)
add_executable(test_wizard_windows ${wizard_window_test_sources})
target_link_libraries(test_wizard_windows PRIVATE olvwizwin Qt6::Test GTest::gtest)
target_include_directories(test_wizard_windows PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
# The process helper runs the program named OLV_OLVEN: here the wizard.
target_compile_definitions(test_wizard_windows PRIVATE
  OLV_HELP_PAGES="${CMAKE_SOURCE_DIR}/help"
  OLV_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots"
  OLV_OLVEN="$<TARGET_FILE:olvenWizzard>")
add_dependencies(test_wizard_windows olvenWizzard)
gtest_discover_tests(test_wizard_windows DISCOVERY_MODE PRE_TEST
                     PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LOCPATH=${OLV_TEST_LOCALES}")
