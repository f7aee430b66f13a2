# The installer's windows in Qt 6 over the setupUi interface, and the
# olvenSetup program that runs the core's installer or uninstaller in them.
# A static library, so that olvenSetup and the windows' tests drive the same
# code.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

set(olv_setup_window_sources
  ${CMAKE_CURRENT_SOURCE_DIR}/TfrmMain.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TfrmPictureForm.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TfrmFirstQuestion.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TfrmFolders.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TfrmStatus.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TfrmEnd.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TfrmUninstallQuestion.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/TfrmEndDeinst.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/setupQtUi.cpp
  # The picture of the question and end windows and the window icon.
  ${CMAKE_CURRENT_SOURCE_DIR}/pictures/pictures.qrc)

add_library(olvsetupwin STATIC ${olv_setup_window_sources})
set_target_properties(olvsetupwin PROPERTIES AUTOMOC ON AUTORCC ON)
target_link_libraries(olvsetupwin PUBLIC olvplatform Qt6::Widgets)

# The program: no argument installs, "-u" uninstalls. The core library comes
# from this folder's CMakeLists.txt, before this file.
add_executable(olvenSetup ${CMAKE_CURRENT_SOURCE_DIR}/main.cpp)
target_link_libraries(olvenSetup PRIVATE olvsetupwin olvsetupcore olvplatform)
