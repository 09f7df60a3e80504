# Chart record trees of chart sheets and embedded charts, their object layer and properties.
target_sources(xls_biff PRIVATE ${CMAKE_CURRENT_LIST_DIR}/chartrecords.cpp)
