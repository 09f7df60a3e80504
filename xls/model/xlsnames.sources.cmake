# The component's defined names with their compile link, and the list wrappers the class factory makes.
target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsnames.cpp)
target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlssheetlists.cpp)
# The empty legacy workbook read when the component is switched to the legacy version.
target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsemptyxls.cpp)
# Number-format masks: formatted cell text and whether a code shows dates or times.
target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsmask.cpp)
