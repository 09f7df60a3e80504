# The drawing layer's shape-properties and text-box editors.
target_sources(xls_drawingml PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsdrawingeditors.cpp)
