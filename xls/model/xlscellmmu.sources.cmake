target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsmmu.cpp ${CMAKE_CURRENT_LIST_DIR}/xlscellitems.cpp ${CMAKE_CURRENT_LIST_DIR}/xlssst.cpp)
