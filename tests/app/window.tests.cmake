# The window's tests use Qt Test and run offscreen.
if(TARGET kws_window)
  add_executable(app_window_tests ${CMAKE_CURRENT_LIST_DIR}/searchform_test.cpp)
  set_target_properties(app_window_tests PROPERTIES AUTOMOC ON)
  target_link_libraries(app_window_tests PRIVATE kws_window kws_test_support Qt6::Test)
  target_include_directories(app_window_tests PRIVATE ${PROJECT_SOURCE_DIR})
  add_test(NAME app_window_tests COMMAND app_window_tests)
  set_tests_properties(app_window_tests PROPERTIES
    ENVIRONMENT "KWS_SOURCE_DIR=${PROJECT_SOURCE_DIR};QT_QPA_PLATFORM=offscreen")
endif()
