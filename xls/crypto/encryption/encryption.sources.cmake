target_sources(xls_encryption PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xlsencryption.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cryptostandard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cryptoagile.cpp)
