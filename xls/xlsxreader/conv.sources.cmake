# Conversions from SpreadsheetML elements to style records, shared by the reader's steps.
target_sources(xls_xlsxreader PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsreadxlsxconv.cpp)
