kws_add_test(xpgreadxml_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgreadxml_test.cpp LIBS xls_package)
kws_add_test(xpgvalues_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgvalues_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xpgdom_test.cpp
             LIBS xls_package)
kws_add_test(xpgparseopc_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparseopc_test.cpp LIBS xls_package)
kws_add_test(xpgreadxml_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgreadxml_fuzz_test.cpp
             LIBS xls_package kws_test_support LABELS fuzz)
kws_add_test(xpgpolicysample_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgpolicysample_test.cpp
             ${CMAKE_CURRENT_LIST_DIR}/xpgpolicysample.cpp LIBS xls_package)
