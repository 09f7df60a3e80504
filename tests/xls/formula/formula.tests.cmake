kws_add_test(formula_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsfuncnames_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xlsptgs_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xlstokenizer_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xlsformuladecoder_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xlsformulaencoder_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xlsformulahandler_test.cpp
  LIBS xls_formula xls_model kws_platform)
# A million mutated and random token arrays (and 200,000 formula texts); some tens of seconds
# under the sanitizers. KWS_FUZZ_COUNT sets another count.
kws_add_test(formula_fuzz_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ptgfuzz_test.cpp
  LIBS xls_formula xls_model kws_platform
  LABELS fuzz)
