kws_add_test(xpgparsedocpropsapp_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsedocpropsapp_test.cpp
  LIBS xls_spreadsheetml)
