# The objects behind the shapes of a sheet drawing (OBJ sub-records, TXO text, controls) and the
# sheet's lists over them: text boxes, notes, shapes and pictures, and form controls.
target_sources(xls_biff PRIVATE ${CMAKE_CURRENT_LIST_DIR}/shapeobjects.cpp ${CMAKE_CURRENT_LIST_DIR}/drawingobjects.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/controlobjects.cpp)
