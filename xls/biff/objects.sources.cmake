# The objects behind the shapes of a sheet drawing: OBJ sub-records, TXO text, controls.
target_sources(xls_biff PRIVATE ${CMAKE_CURRENT_LIST_DIR}/shapeobjects.cpp)
