# The worksheet's drawing layer over the drawing part's element tree.
target_sources(xls_drawingml PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsdrawing.cpp)
