# Generated spreadsheet drawing unit (tools/xpggen/units/drawing.toml) and its hand-written parts.
target_sources(xls_drawingml PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsedrawing.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsedrawing_hooks.cpp)
