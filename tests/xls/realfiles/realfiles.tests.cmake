# Real-file tests: each reader's test joins once the reader's entry point is built (its source is
# named in the reader folder's source lists), so that the suite stays green while a reader is
# still missing.
function(kws_realfiles_reader_ready folder source out)
  set(ready FALSE)
  file(GLOB lists ${PROJECT_SOURCE_DIR}/${folder}/*.sources.cmake)
  foreach(list ${lists})
    file(READ ${list} text)
    if(text MATCHES "${source}")
      set(ready TRUE)
    endif()
  endforeach()
  set(${out} ${ready} PARENT_SCOPE)
endfunction()

# The escaping of texts is the drivers' own (bench/common), so the lines match theirs.
add_library(kws_realfiles_support STATIC ${CMAKE_CURRENT_LIST_DIR}/realfiles.cpp
                                         ${PROJECT_SOURCE_DIR}/bench/common/celltext.cpp)
target_include_directories(kws_realfiles_support PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(kws_realfiles_support PRIVATE KWS_REALFILES_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_libraries(kws_realfiles_support PUBLIC xls_model kws_platform kws_test_support GTest::gtest)

kws_realfiles_reader_ready(xls/xlsxreader "xlsreadxlsx\\.cpp" xlsx_ready)
if(TARGET xls_xlsxreader AND xlsx_ready)
  kws_add_test(xlsx_realfiles_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xlsx_realfiles_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/xlsx_members_test.cpp ${CMAKE_CURRENT_LIST_DIR}/xlsx_editing_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/numfmt_realfiles_test.cpp
               ${CMAKE_CURRENT_LIST_DIR}/xlsx_comments_test.cpp
               LIBS kws_realfiles_support xls_xlsxreader kws_test_support)
endif()

kws_realfiles_reader_ready(xls/biff "biffreader\\.cpp" biff_ready)
if(TARGET xls_biff AND biff_ready)
  kws_add_test(xls_realfiles_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/xls_realfiles_test.cpp
               LIBS kws_realfiles_support xls_biff kws_test_support)
endif()

# Mutation fuzz over the fixtures, for the readers that are built (label fuzz).
if((TARGET xls_xlsxreader AND xlsx_ready) OR (TARGET xls_biff AND biff_ready))
  kws_add_test(realfiles_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/realfiles_fuzz_test.cpp
               LIBS kws_realfiles_support kws_test_support LABELS fuzz)
  if(TARGET xls_xlsxreader AND xlsx_ready)
    target_link_libraries(realfiles_fuzz_tests PRIVATE xls_xlsxreader)
    target_compile_definitions(realfiles_fuzz_tests PRIVATE KWS_FUZZ_XLSX=1)
  endif()
  if(TARGET xls_biff AND biff_ready)
    target_link_libraries(realfiles_fuzz_tests PRIVATE xls_biff)
    target_compile_definitions(realfiles_fuzz_tests PRIVATE KWS_FUZZ_XLS=1)
  endif()
endif()
