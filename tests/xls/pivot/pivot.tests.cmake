kws_add_test(xpgparserpivot_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparserpivot_test.cpp
             LIBS xls_pivot)
# The enumeration table is made from the first-edition pivot schema files by
# tools/xpggen/pivotenums.py; remaking it must give the committed table (where the schema files
# are at hand). The schema folder stands beside the checkout (shared/schemas); KWS_DML_SCHEMAS
# names another.
foreach(up ".." "../..")
  if(NOT KWS_DML_SCHEMAS AND EXISTS "${PROJECT_SOURCE_DIR}/${up}/shared/schemas/ecma-376-1st-edition/dml-baseTypes.xsd")
    get_filename_component(KWS_DML_SCHEMAS "${PROJECT_SOURCE_DIR}/${up}/shared/schemas/ecma-376-1st-edition" ABSOLUTE)
  endif()
endforeach()
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
