# The RTF reader of the document window: the Qt-free parser, which the tests
# of the documents' writers use as well, and its builder of a QTextDocument.
add_library(olvrtf STATIC ${CMAKE_CURRENT_LIST_DIR}/RtfReader.cpp)
set_target_properties(olvrtf PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_link_libraries(olvrtf PUBLIC olvplatform)

find_package(Qt6 REQUIRED COMPONENTS Gui)
add_library(olvrtfqt STATIC ${CMAKE_CURRENT_LIST_DIR}/RtfDocumentBuilder.cpp)
set_target_properties(olvrtfqt PROPERTIES POSITION_INDEPENDENT_CODE ON)
target_link_libraries(olvrtfqt PUBLIC olvrtf olvplatform Qt6::Gui)
