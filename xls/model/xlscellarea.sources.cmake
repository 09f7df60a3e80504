target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsglobals.cpp ${CMAKE_CURRENT_LIST_DIR}/xlscellarea.cpp)
