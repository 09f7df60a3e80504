# The sheet's range object: one format setting at a time over an area through a format command.
target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsrange.cpp)
