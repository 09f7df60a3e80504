target_sources(kws_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/findexcel.cpp)
