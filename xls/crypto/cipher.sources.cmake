target_sources(xls_crypto PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/rc4.cpp
  ${CMAKE_CURRENT_LIST_DIR}/aescipher.cpp)
