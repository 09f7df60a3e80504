kws_add_test(formula_binding_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsformulabinding_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xlsnames_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/xlstokenizer_modes_test.cpp
  LIBS xls_formula xls_model kws_platform)
