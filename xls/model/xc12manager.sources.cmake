target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xc12manager.cpp)
