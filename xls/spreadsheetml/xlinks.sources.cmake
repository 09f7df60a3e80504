# Generated external-link element classes (tools/xpggen/units/xlinks.toml).
target_sources(xls_spreadsheetml PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/xpgparsexlinks.cpp
)
