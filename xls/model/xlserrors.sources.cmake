target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlserrors.cpp ${CMAKE_CURRENT_LIST_DIR}/xlsutils.cpp)
