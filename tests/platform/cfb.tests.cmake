kws_add_test(cfb_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/cfb_test.cpp LIBS kws_platform kws_test_support)
kws_add_test(cfb_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/cfb_fuzz_test.cpp
             LIBS kws_platform kws_test_support LABELS fuzz)
kws_add_test(cfb_save_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/cfb_save_test.cpp LIBS kws_platform kws_test_support)
