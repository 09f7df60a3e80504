# Reader object, record loop with its handler table, legacy sheets.
target_sources(xls_biff PRIVATE ${CMAKE_CURRENT_LIST_DIR}/biff5.cpp ${CMAKE_CURRENT_LIST_DIR}/xlsreadii.cpp
                                ${CMAKE_CURRENT_LIST_DIR}/sheets.cpp)
