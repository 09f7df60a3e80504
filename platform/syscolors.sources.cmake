target_sources(kws_platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/syscolors.cpp)
