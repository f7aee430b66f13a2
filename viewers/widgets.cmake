# The two viewer controls, ReportPane and PageView, in Qt 6 over the Qt-free
# olvpaging. They never link olvcore.
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport)

# What both controls share in Qt: line texts as shown and the view font.
add_library(olvviewtext STATIC ViewText.cpp)
set_target_properties(olvviewtext PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_link_libraries(olvviewtext PUBLIC olvpaging Qt6::Widgets)
olv_hidden_exports(olvviewtext)

add_library(ReportPane SHARED
  ReportPane.cpp
  ReportPageModel.cpp
)
target_link_libraries(ReportPane PUBLIC olvpaging Qt6::Widgets Qt6::PrintSupport
                                 PRIVATE olvviewtext)
set_target_properties(ReportPane PROPERTIES AUTOMOC ON)
olv_hidden_exports(ReportPane)

add_library(PageView SHARED
  PageViewer.cpp
  LoadNoticeDialog.cpp
)
target_link_libraries(PageView PUBLIC olvpaging Qt6::Widgets PRIVATE olvviewtext)
set_target_properties(PageView PROPERTIES AUTOMOC ON)
olv_hidden_exports(PageView)
