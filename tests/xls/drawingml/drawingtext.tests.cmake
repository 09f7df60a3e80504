kws_add_test(xpgparsedrawingtext_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsedrawingtext_test.cpp
             LIBS xls_drawingml)
kws_add_test(xlsdrawingprops_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsdrawingprops_test.cpp LIBS xls_drawingml)
