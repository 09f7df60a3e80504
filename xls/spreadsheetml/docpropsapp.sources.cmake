# Generated application-properties element classes (tools/xpggen/units/docpropsapp.toml).
target_sources(xls_spreadsheetml PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsedocpropsapp.cpp
)
