kws_add_test(opc_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/opc_test.cpp LIBS xls_package kws_test_support)
kws_add_test(opc_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/opc_fuzz_test.cpp LIBS xls_package kws_test_support
             LABELS fuzz)
