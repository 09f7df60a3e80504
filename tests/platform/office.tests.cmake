kws_add_test(office_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/office_test.cpp
             LIBS kws_office kws_test_support)
