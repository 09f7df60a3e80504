# The macro project of a LibreOffice workbook and the saved storage copies, against olefile and
# LibreOffice (tests/data/xls-macros).
if(TARGET xls_biff)
  kws_add_test(vba_realfiles_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/vba_realfiles_test.cpp
               LIBS kws_realfiles_support xls_biff kws_test_support)
endif()
