# Decoder from own token arrays to formula text.
target_sources(xls_formula PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlsformuladecoder.cpp)
