# The window (Qt 6 Widgets) as a library, so tests can drive it, and the executable.
add_library(kws_window STATIC
  ${CMAKE_CURRENT_LIST_DIR}/searchform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/searchform.h
  ${CMAKE_CURRENT_LIST_DIR}/busyindicator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/busyindicator.h
  ${CMAKE_CURRENT_LIST_DIR}/kwsearch.qrc)
set_target_properties(kws_window PROPERTIES AUTOMOC ON AUTORCC ON)
target_link_libraries(kws_window PUBLIC kws_app Qt6::Widgets Qt6::Svg)
target_include_directories(kws_window PUBLIC ${PROJECT_SOURCE_DIR})

add_executable(kwsearch ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
target_link_libraries(kwsearch PRIVATE kws_window)
