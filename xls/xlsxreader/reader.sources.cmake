# The package reader: the road, workbook-level parts, sheet parts and cells.
target_sources(xls_xlsxreader PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsreadxlsx.cpp)
