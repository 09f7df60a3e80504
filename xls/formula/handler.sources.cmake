# The formula service: compile, decode any form, shift shared formulas; name definitions as areas.
target_sources(xls_formula PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsformulahandler.cpp)
