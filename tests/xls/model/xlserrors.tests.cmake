kws_add_test(xlserrors_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlserrors_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlsutils_test.cpp LIBS xls_model)
