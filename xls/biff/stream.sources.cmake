# Record stream: compound-file or bare BIFF2-4 source, record framing, CONTINUE, RC4.
target_sources(xls_biff PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsstream.cpp)
