# Helpers shared by every folder of the project.

set(ZEMBO_SOURCE_ROOT ${CMAKE_SOURCE_DIR})

# Options every target of our own gets: warnings, the forced list-stream header
# (so every QVariant of a number or point list is serialised the same way, see
# core/lib/ListStreamOperators.h) and the sanitizer of the build.
function(zembo_target_defaults target)
    target_compile_options(${target} PRIVATE
        -Wall -Wextra -Wno-unused-parameter
        "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${ZEMBO_SOURCE_ROOT}/core/lib/ListStreamOperators.h>")
    if(ZEMBO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(ZEMBO_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=${ZEMBO_SANITIZE} -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=${ZEMBO_SANITIZE})
    endif()
endfunction()

# zembo_add_library(name SOURCES ... LIBS ...): one static library per subsystem.
function(zembo_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    zembo_target_defaults(${name})
endfunction()

# zembo_add_test(name SOURCES ... LIBS ... LABELS ... [TIMEOUT s]): a Qt Test
# executable run by CTest with a fresh HOME, headless, on the stand-ins.
function(zembo_add_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS;ARGS;ENV" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE zembo_testsupport Qt6::Test ${ARG_LIBS})
    zembo_target_defaults(${name})
    add_test(NAME ${name}
        COMMAND ${ZEMBO_SOURCE_ROOT}/tests/run-test.sh $<TARGET_FILE:${name}> ${ARG_ARGS})
    if(NOT ARG_LABELS)
        set(ARG_LABELS unit)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "ZEMBO_SOURCE_DIR=${ZEMBO_SOURCE_ROOT};ZEMBO_BUILD_DIR=${CMAKE_BINARY_DIR};${ARG_ENV}")
endfunction()

# zembo_add_reference_test(name SCRIPT script.py COMMAND exe args...): runs a
# program of ours and checks what it wrote with Debian's Python.
function(zembo_add_reference_test name)
    cmake_parse_arguments(ARG "" "SCRIPT;TIMEOUT" "COMMAND;LABELS" ${ARGN})
    if(NOT ARG_LABELS)
        set(ARG_LABELS reference)
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    add_test(NAME ${name}
        COMMAND ${ZEMBO_SOURCE_ROOT}/tests/run-test.sh /usr/bin/python3 ${ARG_SCRIPT} ${ARG_COMMAND})
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "ZEMBO_SOURCE_DIR=${ZEMBO_SOURCE_ROOT};ZEMBO_BUILD_DIR=${CMAKE_BINARY_DIR}")
endfunction()
