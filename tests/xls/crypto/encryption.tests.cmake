if(TARGET xls_encryption AND TARGET xls_xlsxreader)
  # kws_realfiles_support (tests/xls/realfiles) is resolved by name when the build is generated.
  kws_add_test(crypto_encryption_tests
               SOURCES ${CMAKE_CURRENT_LIST_DIR}/encryption/xlsencryption_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/encryption/cryptostandard_test.cpp
                       ${CMAKE_CURRENT_LIST_DIR}/encryption/cryptoagile_test.cpp
               LIBS xls_encryption xls_xlsxreader kws_realfiles_support kws_test_support)
  kws_add_test(crypto_encryption_fuzz_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/encryption/xlsencryption_fuzz_test.cpp
               LIBS xls_encryption xls_xlsxreader kws_realfiles_support kws_test_support LABELS fuzz)
endif()
