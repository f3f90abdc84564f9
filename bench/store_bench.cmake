target_link_libraries(${name} PRIVATE MountwireStore)
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(${name} PRIVATE QtBenchMain)
