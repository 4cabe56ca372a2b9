# scandesk_add_test(NAME name SOURCES files... [LIBS libs...] [ENVIRONMENT vars...] [LABELS labels...])
# One GoogleTest program per call, its cases registered with CTest one by one.
include(GoogleTest)

function(scandesk_add_test)
    cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS;ENVIRONMENT;LABELS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE scandesk_core scandesk_test_support
                          GTest::gmock GTest::gtest GTest::gtest_main ${T_LIBS})
    set(props "")
    if(T_ENVIRONMENT)
        list(APPEND props ENVIRONMENT "${T_ENVIRONMENT}")
    endif()
    if(T_LABELS)
        list(APPEND props LABELS "${T_LABELS}")
    endif()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES PROPERTIES ${props})
endfunction()
