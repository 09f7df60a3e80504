kws_add_test(xlsbook_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsbook_test.cpp LIBS xls_model kws_test_support)
kws_add_test(xlsmodeldata_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsmodeldata_test.cpp LIBS xls_model)
kws_add_test(xlsbook_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsbook_fuzz_test.cpp LIBS xls_model kws_test_support LABELS fuzz)
kws_add_test(xlsbook_events_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsbook_events_test.cpp LIBS xls_model kws_test_support)
