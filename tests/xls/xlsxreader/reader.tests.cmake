kws_add_test(xlsreadxlsx_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsreadxlsx_test.cpp ${CMAKE_CURRENT_LIST_DIR}/editing_package_test.cpp
  LIBS xls_xlsxreader kws_test_support)
kws_add_test(xlsreadxlsx_fuzz_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsreadxlsx_fuzz_test.cpp
  LIBS xls_xlsxreader kws_test_support LABELS fuzz)
