# Formula tokenizer.
target_sources(xls_formula PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xlstokenizer.cpp)
