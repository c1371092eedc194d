# The bus framework is bound through its text stub, which records the install
# name relative to the host's executable; Apple's ld and ld64.lld both read it.
target_link_libraries(conflux_bus INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/Conflux.tbd)
