# The editing layer's cell comments (plain-text comments with their author over a sheet's list).
target_sources(xls_model PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlscomments.cpp)
