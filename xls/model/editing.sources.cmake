# The editing layer: formatted cells, format commands, rows and columns, sheet settings.
target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsformattedobj.cpp ${CMAKE_CURRENT_LIST_DIR}/xlscmdformat.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/xlsrowscols.cpp ${CMAKE_CURRENT_LIST_DIR}/xlssheetsettings.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/xlshyperlinks.cpp)
