# The wizard's windows in Qt 6 over olvwizcore: the main window, its five
# pages and the prompts they go through, in a static library so that the
# tests drive the same windows in process; the pictures are embedded.
find_package(Qt6 REQUIRED COMPONENTS Widgets)

add_library(olvwizwin STATIC TForm1.cpp wizPage.cpp TwizSetFunc.cpp TwizSetInFiles.cpp
                             TwizSetFileName.cpp TwizSetRaport.cpp TwizSetOptions.cpp
                             wizPicture.cpp wizPrompts.cpp pictures/pictures.qrc)
# In a static library the resource is registered by wizPicture itself.
set_target_properties(olvwizwin PROPERTIES AUTOMOC ON AUTORCC ON)
target_link_libraries(olvwizwin PUBLIC olvwizcore olvhelp olvplatform Qt6::Widgets)

add_executable(olvenWizzard main.cpp)
target_link_libraries(olvenWizzard PRIVATE olvwizwin)
# The main window starts it from its own folder, and the help is beside it.
# (The install rules are the installer's one list, setup/files.cmake.)
add_dependencies(olvenWizzard olv_help_pages)
