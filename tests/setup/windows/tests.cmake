#The installer 's windows, driven in process on Qt' s offscreen platform with
#every modal window answered by a script, and the built olvenSetup run as
#the user starts it.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

file(GLOB setup_window_test_sources CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_SOURCE_DIR}/setup/windows/*.cpp)
add_executable(test_setup_windows ${setup_window_test_sources})
target_link_libraries(test_setup_windows PRIVATE olvsetupwin olvsetupcore Qt6::Test GTest::gtest)
target_include_directories(test_setup_windows PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(test_setup_windows PRIVATE
  OLV_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots"
  OLV_OLVENSETUP="$<TARGET_FILE:olvenSetup>")
add_dependencies(test_setup_windows olvenSetup)
gtest_discover_tests(test_setup_windows DISCOVERY_MODE PRE_TEST
                     PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LOCPATH=${OLV_TEST_LOCALES}")
