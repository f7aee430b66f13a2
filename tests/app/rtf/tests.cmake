# The RTF reader: its text model without Qt, the QTextDocument it builds (on
# Qt's offscreen platform), and the documents the authorization and the
# verification write, made here in process and read back.
find_package(Qt6 REQUIRED COMPONENTS Gui)

file(GLOB rtf_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/app/rtf/*.cpp)
add_executable(test_app_rtf ${rtf_test_sources})
target_link_libraries(test_app_rtf PRIVATE olvrtf olvrtfqt olvcore Qt6::Gui GTest::gtest)
target_include_directories(test_app_rtf PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(test_app_rtf PRIVATE
  OLV_SAMPLES="${CMAKE_SOURCE_DIR}/samples"
  OLV_RTF_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data/rtf")
gtest_discover_tests(test_app_rtf DISCOVERY_MODE PRE_TEST
                     PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LOCPATH=${OLV_TEST_LOCALES}")
