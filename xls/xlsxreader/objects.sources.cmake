target_sources(xls_xlsxreader PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsreadxlsxobjects.cpp)
