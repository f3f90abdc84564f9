# Test areas of the application; each links the library of its folder.
if(TARGET MountwirePlatform)
    mw_test_area(app/platform MountwirePlatform)
    mw_test_area(app/services MountwirePlatform)
endif()
if(TARGET MountwireQuilloKit)
    mw_test_area(quillokit MountwireQuilloKit)
endif()
