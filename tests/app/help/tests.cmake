# The help: the context map loader, the pages shipped in help/ (and their copy
# beside the program) and the help window with F1, on Qt's offscreen platform.
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)

file(GLOB help_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/help/*.cpp)
add_executable(test_app_help ${help_test_sources})
target_link_libraries(test_app_help PRIVATE olvhelp olvplatform Qt6::Widgets Qt6::Test GTest::gtest)
target_include_directories(test_app_help PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(test_app_help PRIVATE
  OLV_HELP_SOURCE="${CMAKE_SOURCE_DIR}/help"
  OLV_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots")
# The pages lie beside the test program as beside olven.
add_dependencies(test_app_help olv_help_pages)
gtest_discover_tests(test_app_help DISCOVERY_MODE PRE_TEST
                     PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LOCPATH=${OLV_TEST_LOCALES}")
