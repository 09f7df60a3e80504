kws_add_test(filewatch_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/filewatch_test.cpp LIBS kws_platform kws_test_support)
