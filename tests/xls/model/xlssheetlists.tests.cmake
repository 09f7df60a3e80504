kws_add_test(xlssheetlists_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlssheetlists_test.cpp LIBS xls_model)
