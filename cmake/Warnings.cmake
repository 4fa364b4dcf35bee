# One place for the warning flags every target of ours gets; -Werror when RZ4_WERROR is on (CI).
function(rz4_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                             -Wold-style-cast -Wcast-align -Woverloaded-virtual)
    if(RZ4_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# Unit tests: one executable per unit, registered with CTest.
function(rz4_gtest name)
    cmake_parse_arguments(T "WIDGETS" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
    rz4_warnings(${name})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
    if(T_LABELS)
        set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
    endif()
    if(T_WIDGETS)
        # Widget tests run without a display.
        set_tests_properties(${name} PROPERTIES ENVIRONMENT
            "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu")
    endif()
endfunction()

# A Python suite that drives the real program on a desktop of its own (scripts/desktop_suite.py):
# run alone, labelled e2e, skipped when the build is for a channel server elsewhere.
function(rz4_desktop_suite name script)
    cmake_parse_arguments(S "" "TIMEOUT" "ARGS" ${ARGN})
    find_program(RZ4_PYTHON3 python3 REQUIRED)
    add_test(NAME ${name}
             COMMAND ${RZ4_PYTHON3} ${script} --binary $<TARGET_FILE:rz4tv>
                     --build-dir ${PROJECT_BINARY_DIR} --server ${RZ4_CHANNEL_SERVER} ${S_ARGS})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${S_TIMEOUT} SKIP_RETURN_CODE 77 LABELS e2e
                                            RUN_SERIAL TRUE)
endfunction()
