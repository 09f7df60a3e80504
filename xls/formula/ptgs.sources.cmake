# Token format, the walk over token arrays, reference shifting and the failure helpers.
target_sources(xls_formula PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsptgs.cpp
                                   ${CMAKE_CURRENT_LIST_DIR}/xlsformulaerror.cpp)
