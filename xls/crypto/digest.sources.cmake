target_sources(xls_crypto PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/md5.cpp
  ${CMAKE_CURRENT_LIST_DIR}/md4hash.cpp
  ${CMAKE_CURRENT_LIST_DIR}/dcphash.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shabuffer.cpp)
