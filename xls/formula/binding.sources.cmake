# The component's formula service wired to its model: views over the hub, the handler, cell formula text, name compile.
target_sources(xls_formula PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsformulabinding.cpp)
