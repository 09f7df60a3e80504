target_sources(xls_package PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xlspackageopc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/opcparts.cpp)
