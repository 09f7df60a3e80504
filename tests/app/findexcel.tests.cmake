kws_add_test(app_findexcel_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/findexcel_test.cpp
             LIBS kws_app kws_test_support)
