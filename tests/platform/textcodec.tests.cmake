kws_add_test(textcodec_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/textcodec_test.cpp LIBS kws_platform)
