kws_add_test(pdfdoc_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/pdfdoc_test.cpp LIBS kws_platform kws_test_support)
