target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsshareditems.cpp)
