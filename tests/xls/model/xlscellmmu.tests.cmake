kws_add_test(xlscellmmu_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlscellmmu_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlssst_test.cpp LIBS xls_model)
