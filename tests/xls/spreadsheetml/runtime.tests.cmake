kws_add_test(xpgparsexlsx_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlsx_test.cpp LIBS xls_spreadsheetml)
