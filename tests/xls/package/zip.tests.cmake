kws_add_test(zip_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/zip_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlsstream_test.cpp LIBS xls_package kws_test_support)
kws_add_test(zip_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/zip_fuzz_test.cpp LIBS xls_package kws_test_support
             LABELS fuzz)
