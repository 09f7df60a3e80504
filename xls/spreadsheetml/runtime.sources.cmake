# Generated SpreadsheetML element classes (tools/xpggen/units/xlsx.toml) and their hand-written
# hooks; the runtime itself is in xls/package/xpgruntime.h.
target_sources(xls_spreadsheetml PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlsx.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlsx_hooks.cpp
)
