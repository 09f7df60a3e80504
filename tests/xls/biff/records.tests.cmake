kws_add_test(biff_records_tests
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/records_test.cpp ${CMAKE_CURRENT_LIST_DIR}/sheetrecords_test.cpp
             LIBS xls_biff kws_test_support)
# Formula text to legacy tokens through the reader object's handler; the legacy side's own names;
# round trips of the legacy fixtures' texts.
kws_add_test(biff_legacyencode_tests
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/legacyencode_test.cpp
             LIBS xls_biff kws_test_support)
kws_add_test(biff_sheetrecords_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/sheetrecords_fuzz_test.cpp
             LIBS xls_biff kws_test_support LABELS fuzz)
# The drawing layer: property tables, the picture store, sheet shape trees; the drawing fixtures.
kws_add_test(biff_escher_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/escher_test.cpp
             LIBS xls_biff kws_test_support kws_realfiles_support)
# Legacy pictures and text objects into the sheet objects' drawings (the drawing library registered).
kws_add_test(biff_legacydrawing_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/legacydrawing_test.cpp
             LIBS xls_biff xls_drawingml kws_test_support kws_realfiles_support)
# The committed property tables of new shapes must be what the generator writes from its table.
add_test(NAME EscherNewShapes_GeneratedHeaderUpToDate
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/escher/gen_newshapes.py --check)
kws_add_test(biff_escher_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/escher_fuzz_test.cpp
             LIBS xls_biff kws_test_support LABELS fuzz)
# The objects behind drawing shapes: OBJ sub-records, TXO text, controls.
kws_add_test(biff_shapeobjects_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/shapeobjects_test.cpp
             LIBS xls_biff kws_test_support)
kws_add_test(biff_shapeobjects_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/shapeobjects_fuzz_test.cpp
             LIBS xls_biff kws_test_support LABELS fuzz)
# The drawing-object lists and the control front-end of a sheet over its drawing.
kws_add_test(biff_drawingobjects_tests
             SOURCES ${CMAKE_CURRENT_LIST_DIR}/drawingobjects_test.cpp ${CMAKE_CURRENT_LIST_DIR}/controlobjects_test.cpp
             LIBS xls_biff kws_test_support)
