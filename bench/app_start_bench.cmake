target_link_libraries(${name} PRIVATE MountwireShell)
target_link_libraries(${name} PRIVATE QtBenchMain)
