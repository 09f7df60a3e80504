kws_add_test(xpgparsexlinks_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlinks_test.cpp
  LIBS xls_spreadsheetml)
