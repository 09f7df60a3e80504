kws_add_test(crypto_cipher_tests SOURCES ${CMAKE_CURRENT_LIST_DIR}/cipher_test.cpp LIBS xls_crypto)
