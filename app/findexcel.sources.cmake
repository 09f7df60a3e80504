target_sources(kws_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/findexcel.cpp)
target_link_libraries(kws_app PUBLIC xls_xlsxreader xls_biff xls_encryption xls_model)
