target_sources(xls_biff PRIVATE ${CMAKE_CURRENT_LIST_DIR}/biffvba.cpp)
