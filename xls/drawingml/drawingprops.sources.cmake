# The drawing objects' colour, fill, line and text wrappers over the element trees.
target_sources(xls_drawingml PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsdrawingprops.cpp)
