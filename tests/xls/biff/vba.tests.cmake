# The macro storage: decompression, the dir walk, edit mode, the saved copy, hostile projects.
kws_add_test(biff_vba_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/vba_test.cpp LIBS xls_biff kws_test_support)
kws_add_test(biff_vba_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/vba_fuzz_test.cpp
             LIBS xls_biff kws_test_support LABELS fuzz)
