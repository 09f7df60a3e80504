kws_add_test(biff_records_tests
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/records_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sheetrecords_test.cpp
             LIBS xls_biff kws_test_support)
