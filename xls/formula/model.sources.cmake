# The views of the workbook model that the formula code reads, with their default lookups.
target_sources(xls_formula PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsformulamodel.cpp)
