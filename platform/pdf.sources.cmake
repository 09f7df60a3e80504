target_sources(kws_platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/pdfdoc.cpp)
target_link_libraries(kws_platform PUBLIC PkgConfig::POPPLER_CPP)
