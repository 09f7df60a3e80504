# Record handlers: cells, formulas, shared strings, workbook globals, styles; the reader's entry.
target_sources(xls_biff PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/biffvalues.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffcontinue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffrecords.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffcells.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffsheet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sheetrules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffglobals.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffstyles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffreader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffnames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffinternalnames.cpp
  ${CMAKE_CURRENT_LIST_DIR}/biffformulahandler.cpp)
