target_sources(kws_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/findoffice.cpp)
target_link_libraries(kws_app PUBLIC kws_office)
