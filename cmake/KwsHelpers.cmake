# kws_add_library(NAME [DEPS lib ...])
# Declares the static library of the current folder. Its sources come from the `*.sources.cmake`
# files in the folder: each names its own files with target_sources(NAME PRIVATE ...), so that
# several units of one folder can grow side by side. A folder with no source list yet is an
# interface library, so that libraries above it can already name it.
function(kws_add_library name)
  cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
  file(GLOB lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.sources.cmake)
  if(lists)
    add_library(${name} STATIC)
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    target_link_libraries(${name} PUBLIC ${L_DEPS})
    foreach(list ${lists})
      include(${list})
    endforeach()
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR})
    target_link_libraries(${name} INTERFACE ${L_DEPS})
  endif()
endfunction()

# kws_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 [LABELS l])
# Builds one GoogleTest executable and registers its tests with CTest.
function(kws_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    # One value per property: a ";" inside a value would split it into separate arguments of
    # set_tests_properties, and the properties after it (LABELS) would be lost.
    PROPERTIES ENVIRONMENT "KWS_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
               ENVIRONMENT_MODIFICATION "QT_QPA_PLATFORM=set:offscreen"
               LABELS "${T_LABELS}"
    DISCOVERY_TIMEOUT 60)
endfunction()

# Adds every subfolder of the current folder that has a CMakeLists.txt.
macro(kws_add_subfolders)
  file(GLOB _kws_children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT _kws_children)
  foreach(_kws_child ${_kws_children})
    if(IS_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/${_kws_child}
       AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${_kws_child}/CMakeLists.txt)
      add_subdirectory(${_kws_child})
    endif()
  endforeach()
endmacro()
