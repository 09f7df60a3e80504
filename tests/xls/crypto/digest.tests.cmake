kws_add_test(crypto_digest_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/digest_test.cpp LIBS xls_crypto)
