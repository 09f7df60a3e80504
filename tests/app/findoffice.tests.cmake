kws_add_test(app_findoffice_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/findoffice_test.cpp
             LIBS kws_app kws_test_support)
