kws_add_test(biff_records_tests
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/records_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sheetrecords_test.cpp
             LIBS xls_biff kws_test_support)
# Formula text to legacy tokens through the reader object's handler; the legacy side's own names;
# round trips of the legacy fixtures' texts.
kws_add_test(biff_legacyencode_tests
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/legacyencode_test.cpp
             LIBS xls_biff kws_test_support)
