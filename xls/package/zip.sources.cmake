target_sources(xls_package PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xlsstream.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xlszlib.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xlszip.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xlsziparchiveintf.cpp)
