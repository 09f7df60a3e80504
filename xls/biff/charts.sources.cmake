# Chart record trees of chart sheets and embedded charts, their object layer and properties (the
# default-record tables come from tools/charts/gen_chartdefaults.py).
target_sources(xls_biff PRIVATE ${CMAKE_CURRENT_LIST_DIR}/chartrecords.cpp ${CMAKE_CURRENT_LIST_DIR}/chartobjects.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/chartproperties.cpp)
