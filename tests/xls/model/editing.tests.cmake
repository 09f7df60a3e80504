kws_add_test(xlsediting_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsformattedobj_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlscmdformat_test.cpp
             ${CMAKE_CURRENT_LIST_DIR}/xlsrowscols_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlssheetsettings_test.cpp
             ${CMAKE_CURRENT_LIST_DIR}/xlsediting_random_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlssheetmembers_test.cpp LIBS xls_model)
kws_add_test(xlshyperlinks_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlshyperlinks_test.cpp
             LIBS xls_formula xls_model kws_test_support)
