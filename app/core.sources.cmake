target_sources(kws_app PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/keywords.cpp
  ${CMAKE_CURRENT_LIST_DIR}/filelist.cpp
  ${CMAKE_CURRENT_LIST_DIR}/findtext.cpp)
target_sources(kws_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/mythread.cpp)
target_sources(kws_app PRIVATE ${CMAKE_CURRENT_LIST_DIR}/hitrow.cpp)
