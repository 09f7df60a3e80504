kws_add_test(xpgparsedrawing_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsedrawing_test.cpp LIBS xls_drawingml)
