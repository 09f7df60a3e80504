target_sources(kws_test_support PRIVATE ${CMAKE_CURRENT_LIST_DIR}/vbawriter.cpp)
