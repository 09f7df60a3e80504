target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsstyles.cpp ${CMAKE_CURRENT_LIST_DIR}/xlsstylesheet.cpp)
