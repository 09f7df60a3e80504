# Drawing layer: drawing records, property tables, the drawing group with its picture store, and
# the shape tree of each sheet's drawing.
target_sources(xls_biff PRIVATE ${CMAKE_CURRENT_LIST_DIR}/escherrecords.cpp ${CMAKE_CURRENT_LIST_DIR}/escherpictures.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/escherdrawing.cpp)
