kws_add_test(xpgparsedrawing_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsedrawing_test.cpp LIBS xls_drawingml)
kws_add_test(xlsdrawing_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsdrawing_test.cpp
             LIBS xls_drawingml xls_xlsxreader kws_test_support)
kws_add_test(xlsdrawing_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsdrawing_fuzz_test.cpp
             LIBS xls_drawingml xls_xlsxreader kws_test_support LABELS fuzz)
kws_add_test(chartworkbook_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/chartworkbook_test.cpp
             LIBS xls_drawingml xls_xlsxreader kws_test_support)
