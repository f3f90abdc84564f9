target_link_libraries(${name} PRIVATE MountwireQuilloKit)
target_link_libraries(${name} PRIVATE QtBenchMain)
