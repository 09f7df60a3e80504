kws_add_test(xlsx_objects_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/objects_test.cpp
             ${CMAKE_CURRENT_LIST_DIR}/objects_extras_test.cpp
             ${CMAKE_CURRENT_LIST_DIR}/objects_members_test.cpp
             LIBS xls_xlsxreader kws_test_support)
