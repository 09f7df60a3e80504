kws_add_test(app_worker_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/keywords_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/filelist_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/findtext_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/mythread_test.cpp
  LIBS kws_app kws_test_support)
