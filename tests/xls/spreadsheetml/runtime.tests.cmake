kws_add_test(xpgparsexlsx_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlsx_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlsx_names_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlsx_sheet_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlsx_content_test.cpp
  LIBS xls_spreadsheetml)
# Its own executable: it replaces the global operator new to count live heap blocks.
kws_add_test(xpgparsexlsx_stream_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlsx_stream_test.cpp
  LIBS xls_spreadsheetml)
