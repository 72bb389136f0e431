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

# zembo_add_subsystem(name LIBS ...): the library of a subsystem folder, made of
# every .cpp below the folder, with the folder and its sub-folders on the include path.
function(zembo_add_subsystem name)
    cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    zembo_add_library(${name} SOURCES ${sources} ${headers} LIBS ${ARG_LIBS})
    set(dirs ${CMAKE_CURRENT_SOURCE_DIR})
    foreach(h ${headers})
        get_filename_component(d ${h} DIRECTORY)
        list(APPEND dirs ${d})
    endforeach()
    list(REMOVE_DUPLICATES dirs)
    target_include_directories(${name} PUBLIC ${dirs})
endfunction()

# zembo_add_bench(name SOURCES ... LIBS ... [SCRIPT check.py]): a benchmark run
# by `make bench`, with the test environment; SCRIPT, when given, is a Python
# script that runs the benchmark program itself (to time the reference beside it).
function(zembo_add_bench name)
    cmake_parse_arguments(ARG "" "SCRIPT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    zembo_target_defaults(${name})
    if(ARG_SCRIPT)
        set(cmd ${ZEMBO_SOURCE_ROOT}/tests/run-test.sh /usr/bin/python3 ${ARG_SCRIPT} $<TARGET_FILE:${name}>)
    else()
        set(cmd ${ZEMBO_SOURCE_ROOT}/tests/run-test.sh $<TARGET_FILE:${name}>)
    endif()
    add_custom_target(run_${name} COMMAND ${cmd} USES_TERMINAL VERBATIM)
    add_dependencies(run_${name} ${name})
    add_dependencies(bench_all run_${name})
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
