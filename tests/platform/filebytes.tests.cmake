kws_add_test(filebytes_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/filebytes_test.cpp LIBS kws_platform kws_test_support)
