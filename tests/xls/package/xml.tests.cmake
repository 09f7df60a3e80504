kws_add_test(xpgreadxml_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgreadxml_test.cpp LIBS xls_package)
