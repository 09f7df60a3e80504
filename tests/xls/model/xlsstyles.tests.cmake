kws_add_test(xlsstyles_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsstyles_test.cpp LIBS xls_model)
