# kws_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l])
# Builds one GoogleTest executable and registers its tests with CTest.
function(kws_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "KWS_SOURCE_DIR=${PROJECT_SOURCE_DIR};QT_QPA_PLATFORM=offscreen"
               LABELS "${T_LABELS}"
    DISCOVERY_TIMEOUT 60)
endfunction()
