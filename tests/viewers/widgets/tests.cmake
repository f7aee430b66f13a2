# The two viewer controls, driven in process on Qt's offscreen platform: the
# reports they show are written by the processing layer's bzReport or made by
# a syntax check run here.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport Test)

file(GLOB widget_test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/viewers/widgets/*.cpp)
add_executable(test_viewer_widgets ${widget_test_sources})
target_link_libraries(test_viewer_widgets PRIVATE ReportPane PageView olvviewtext olvcore Qt6::Test
                                                  GTest::gtest)
target_include_directories(test_viewer_widgets PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(test_viewer_widgets PRIVATE
  OLV_SAMPLES="${CMAKE_SOURCE_DIR}/samples"
  OLV_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots")
gtest_discover_tests(test_viewer_widgets DISCOVERY_MODE PRE_TEST
                     PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LOCPATH=${OLV_TEST_LOCALES}")
