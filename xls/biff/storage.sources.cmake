# Raw record storage with default slots and placeholders.
target_sources(xls_biff PRIVATE ${CMAKE_CURRENT_LIST_DIR}/recordstorage.cpp)
