# Generated pivot unit (tools/xpggen/units/pivot.toml), its hand-written parts and the root lists.
target_sources(xls_pivot PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xpgparserpivot.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgparserpivot_hooks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgpivotroots.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xlspivottables.cpp)
