kws_add_test(xlssheetlists_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlssheetlists_test.cpp LIBS xls_model)
kws_add_test(xlsversion_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsversion_test.cpp LIBS xls_model kws_platform)
kws_add_test(xlsmask_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsmask_test.cpp LIBS xls_model kws_platform)
kws_add_test(xlssheetobjects_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlssheetobjects_test.cpp LIBS xls_model xls_package)
