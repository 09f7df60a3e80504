kws_add_test(xpgparserpivot_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparserpivot_test.cpp
             LIBS xls_pivot)
# The enumeration table is made from the first-edition pivot schema files by
# tools/xpggen/pivotenums.py; remaking it must give the committed table (where the schema files
# are at hand: KWS_DML_SCHEMAS, found in tests/CMakeLists.txt).
if(EXISTS "${KWS_DML_SCHEMAS}/sml-pivotTable.xsd")
  add_test(NAME PivotEnums_TableRemadeFromSchemas
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/xpggen/pivotenums.py --check
                   --schemas ${KWS_DML_SCHEMAS})
endif()
kws_add_test(pivotload_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/pivotload_test.cpp
             LIBS xls_pivot xls_xlsxreader kws_test_support)
kws_add_test(pivotparts_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/pivotparts_fuzz_test.cpp
             LIBS xls_pivot kws_test_support LABELS fuzz)
kws_add_test(pivotload_hostile_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/pivotload_hostile_test.cpp
             LIBS xls_pivot xls_xlsxreader kws_test_support LABELS hostile)
