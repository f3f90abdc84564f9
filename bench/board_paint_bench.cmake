target_link_libraries(${name} PRIVATE MountwireViews)
target_link_libraries(${name} PRIVATE QtBenchMain)
