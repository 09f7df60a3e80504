kws_add_test(biff_frame_tests
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsstream_test.cpp ${CMAKE_CURRENT_LIST_DIR}/recordstorage_test.cpp
                     ${CMAKE_CURRENT_LIST_DIR}/sheets_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlsreadii_test.cpp
             LIBS xls_biff kws_test_support)
kws_add_test(biff_frame_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsreadii_fuzz_test.cpp
             LIBS xls_biff kws_test_support LABELS fuzz)
kws_add_test(biff_chart_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/chartrecords_test.cpp LIBS xls_biff kws_test_support)
kws_add_test(biff_chartobjects_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/chartobjects_test.cpp LIBS xls_biff kws_test_support)
kws_add_test(biff_chart_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/chart_fuzz_test.cpp
             LIBS xls_biff kws_test_support LABELS fuzz)
