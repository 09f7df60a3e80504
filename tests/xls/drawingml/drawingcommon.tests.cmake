kws_add_test(xpgparsedrawingcommon_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsedrawingcommon_test.cpp
             LIBS xls_drawingml)
# The enumeration table is made from the first-edition schema files by tools/xpggen/dmlenums.py;
# remaking it must give the committed table (where the schema files are at hand: KWS_DML_SCHEMAS,
# found in tests/CMakeLists.txt).
if(EXISTS "${KWS_DML_SCHEMAS}/dml-baseTypes.xsd")
  add_test(NAME DrawingEnums_TableRemadeFromSchemas
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/xpggen/dmlenums.py --check
                   --schemas ${KWS_DML_SCHEMAS})
endif()
kws_add_test(xpgparsedrawingcommon_fragments_tests
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsedrawingcommon_fragments_test.cpp
             LIBS xls_drawingml kws_test_support LABELS fuzz)
kws_add_test(xpgparsechart_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsechart_test.cpp LIBS xls_drawingml xls_model)
kws_add_test(xpgparsechart_realfiles_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgparsechart_realfiles_test.cpp
             LIBS xls_drawingml xls_model kws_test_support LABELS fuzz)
kws_add_test(xpgchartload_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xpgchartload_test.cpp
             LIBS xls_drawingml xls_model kws_test_support)
