kws_add_test(fontmetrics_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/fontmetrics_test.cpp LIBS kws_platform)
