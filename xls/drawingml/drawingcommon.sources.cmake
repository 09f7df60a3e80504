# Generated DrawingML common unit (tools/xpggen/units/drawingml.toml) and its hand-written parts.
target_sources(xls_drawingml PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsedrawingcommon.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsedrawingcommon_hooks.cpp)
# Generated chart unit (tools/xpggen/units/chart.toml) and its hand-written parts.
target_sources(xls_drawingml PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsechart.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsechart_hooks.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgchartload.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgchartseries.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xlsdrawingchart.cpp)
