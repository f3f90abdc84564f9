# Test areas of the application; each links the library of its folder.
if(TARGET MountwirePlatform)
    mw_test_area(app/platform MountwirePlatform)
    mw_test_area(app/services MountwirePlatform)
    # Platform tests declare small QObjects of their own (recording D-Bus services, URL handlers).
    foreach(tests app_platform_tests app_services_tests)
        if(TARGET ${tests})
            set_target_properties(${tests} PROPERTIES AUTOMOC ON)
        endif()
    endforeach()
endif()
if(TARGET MountwireQuilloKit)
    mw_test_area(quillokit MountwireQuilloKit)
endif()
