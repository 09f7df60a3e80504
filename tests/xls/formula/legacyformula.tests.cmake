# Legacy formula tokens: function table, decoder, shared-formula fix-up.
kws_add_test(legacyformula_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsformuladecoder97_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xlsformuladecoder97_files_test.cpp
  LIBS xls_formula xls_model kws_platform)
# A million mutated and random legacy token arrays through the decoder and the fix-up; some
# seconds under the sanitizers. KWS_FUZZ_COUNT sets another count.
kws_add_test(legacyformula_fuzz_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsformuladecoder97_fuzz_test.cpp
  LIBS xls_formula xls_model kws_platform
  LABELS fuzz)
# The committed legacy function table must be what the generator writes from its tables.
add_test(NAME LegacyFuncTable_GeneratedHeaderUpToDate
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/formula/gen_legacyfunctable.py --check)
# Formula text to legacy tokens: tokenizer and encoder tables.
kws_add_test(legacyencoder_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsformulaencoder97_test.cpp
  LIBS xls_formula xls_model kws_platform)
# Mutated formula texts through the legacy tokenizer and encoder (KWS_FUZZ_SECONDS / KWS_FUZZ_INPUTS).
kws_add_test(legacyencoder_fuzz_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsformulaencoder97_fuzz_test.cpp
  LIBS xls_formula xls_model kws_platform kws_test_support
  LABELS fuzz)
