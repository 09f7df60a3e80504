kws_add_test(formatsettings_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/formatsettings_test.cpp LIBS xls_model)
