kws_add_test(xlscellarea_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlscellarea_test.cpp LIBS xls_model)
