kws_add_test(xlsshareditems_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsshareditems_test.cpp LIBS xls_model)
