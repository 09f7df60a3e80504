kws_add_test(xlsediting_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsformattedobj_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlscmdformat_test.cpp
             ${CMAKE_CURRENT_LIST_DIR}/xlsrowscols_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlssheetsettings_test.cpp LIBS xls_model)
