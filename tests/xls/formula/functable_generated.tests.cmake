# The committed function and token-size tables must be what the generator writes from its tables.
add_test(NAME FuncTable_GeneratedHeaderUpToDate
         COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/formula/gen_functable.py --check)
