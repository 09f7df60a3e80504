# Encoder from token lists to own token arrays.
target_sources(xls_formula PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsformulaencoder.cpp)
