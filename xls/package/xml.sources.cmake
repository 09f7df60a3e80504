# XML tokenizer, value conversions, writer, typed value lists, small DOM and the generated
# element runtime with the relationship and content-type units.
target_sources(xls_package PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xpgreadxml.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgvalues.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpglists.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgwritexml.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgdom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgruntime.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgparseopc.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsecontenttype.cpp
)
