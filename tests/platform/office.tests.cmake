kws_add_test(office_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/office_test.cpp
             LIBS kws_office kws_test_support)
kws_add_test(office_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/office_fuzz_test.cpp
             LIBS kws_office kws_test_support LABELS fuzz)
