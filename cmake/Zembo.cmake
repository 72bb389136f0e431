# Helpers shared by every folder of the project.

set(ZEMBO_SOURCE_ROOT ${CMAKE_SOURCE_DIR})

# Options every target of our own gets: warnings, the forced list-stream header
# (so every QVariant of a number or point list is serialised the same way, see
# core/lib/ListStreamOperators.h), the shared precompiled header and the
# sanitizer of the build.
function(zembo_target_defaults target)
    cmake_parse_arguments(ARG "" "PCH" "" ${ARGN})
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
    if(ZEMBO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(ZEMBO_SANITIZE)
        target_compile_options(${target} PRIVATE -fsanitize=${ZEMBO_SANITIZE} -fno-omit-frame-pointer)
        target_link_options(${target} PRIVATE -fsanitize=${ZEMBO_SANITIZE})
    endif()
    if(NOT ARG_PCH)
        set(ARG_PCH zembo_pch)
    endif()
    if(ZEMBO_PCH AND NOT target STREQUAL ARG_PCH)
        # The precompiled header starts with the list-stream header, so it is
        # still the first thing every translation unit sees.
        target_precompile_headers(${target} REUSE_FROM ${ARG_PCH})
    elseif(NOT ZEMBO_PCH)
        target_compile_options(${target} PRIVATE
            "$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${ZEMBO_SOURCE_ROOT}/core/lib/ListStreamOperators.h>")
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
        zembo_moc_by_hand(${target})
    endif()
endfunction()

# Programs (about 150 of them, nearly all tests) get moc run on just the files
# that declare Qt objects, instead of CMake's automatic moc: that step scans
# every source of every program and then compiles a collected file that is
# empty for nearly all of them (about 2 s a program, an eighth of a clean
# build); moc itself costs the same either way. A test source declaring a Qt object includes
# "<source>.moc"; a header listed among the sources gets its own moc file.
function(zembo_moc_by_hand target)
    set_target_properties(${target} PROPERTIES AUTOMOC OFF AUTOUIC OFF)
    get_target_property(sources ${target} SOURCES)
    get_target_property(source_dir ${target} SOURCE_DIR)
    set(moc_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_moc)
    foreach(source ${sources})
        if(source MATCHES "\\$<")
            continue()
        endif()
        get_filename_component(path ${source} ABSOLUTE BASE_DIR ${source_dir})
        if(NOT EXISTS ${path})
            continue()
        endif()
        file(STRINGS ${path} declares REGEX "^[ \t]*(Q_OBJECT|Q_GADGET|Q_NAMESPACE)")
        if(NOT declares)
            continue()
        endif()
        get_filename_component(name ${path} NAME_WE)
        if(path MATCHES "\\.cpp$")
            qt6_generate_moc(${path} ${moc_dir}/${name}.moc TARGET ${target})
            set_property(SOURCE ${path} APPEND PROPERTY OBJECT_DEPENDS ${moc_dir}/${name}.moc)
            target_include_directories(${target} PRIVATE ${moc_dir})
        else()
            qt6_generate_moc(${path} ${moc_dir}/moc_${name}.cpp TARGET ${target})
            target_sources(${target} PRIVATE ${moc_dir}/moc_${name}.cpp)
        endif()
    endforeach()
endfunction()

# The headers nearly every translation unit parses: Qt's and the standard
# library's. One precompiled copy serves every library and program (tests get
# one with Qt Test's headers added); every target compiles with the same
# options, so each can reuse the copy instead of parsing those headers again.
set(ZEMBO_PCH_HEADERS
    [["ListStreamOperators.h"]]
    <algorithm> <atomic> <cmath> <cstdint> <cstring> <functional> <limits> <memory>
    <utility> <vector>
    <QByteArray> <QCoreApplication> <QDateTime> <QDebug> <QDir> <QElapsedTimer>
    <QFile> <QFileInfo> <QList> <QMap> <QMetaType> <QMutex> <QObject> <QPointer>
    <QPointF> <QSaveFile> <QString> <QStringList> <QTextStream> <QThread> <QTimer>
    <QVariant>
    <QBrush> <QColor> <QIcon> <QKeyEvent>
    <QApplication> <QCheckBox> <QComboBox> <QDialog> <QDialogButtonBox>
    <QDoubleSpinBox> <QFormLayout> <QHBoxLayout> <QHeaderView> <QLabel> <QLineEdit>
    <QMessageBox> <QPushButton> <QSpinBox> <QTabWidget> <QTableView> <QVBoxLayout>
    <QWidget>)

# GCC refuses a precompiled header when a macro defined while it was made is
# missing later, and Qt defines one QT_<module>_LIB macro per linked module:
# the header is made with the fewest modules (LIBS) that every user links, and
# finds the other modules' headers (INCLUDES_FROM) without their macros.
function(zembo_add_pch name)
    cmake_parse_arguments(ARG "" "" "HEADERS;LIBS;INCLUDES_FROM" ${ARGN})
    set(source ${CMAKE_BINARY_DIR}/${name}.cpp)
    if(NOT EXISTS ${source})
        file(WRITE ${source} "// Only here so the precompiled header has a target to belong to.\n")
    endif()
    add_library(${name} STATIC ${source})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    foreach(lib ${ARG_INCLUDES_FROM})
        target_include_directories(${name} SYSTEM PRIVATE
            $<TARGET_PROPERTY:${lib},INTERFACE_INCLUDE_DIRECTORIES>)
    endforeach()
    # Found through the include path, not by its absolute name, so the header
    # (and what ccache keeps of it) is the same in every clone.
    target_include_directories(${name} PRIVATE ${ZEMBO_SOURCE_ROOT}/core/lib)
    target_precompile_headers(${name} PRIVATE ${ZEMBO_PCH_HEADERS} ${ARG_HEADERS})
    set_property(TARGET ${name} PROPERTY CXX_COMPILER_LAUNCHER
        ${ZEMBO_SOURCE_ROOT}/cmake/pch-launcher.sh ${zembo_launcher})
    zembo_target_defaults(${name} PCH ${name})
endfunction()

if(ZEMBO_PCH)
    zembo_add_pch(zembo_pch LIBS Qt6::Core INCLUDES_FROM Qt6::Widgets)
    # Tests parse Qt Test's headers besides: they get a copy of their own, made
    # with the modules every test links (the test support library's).
    zembo_add_pch(zembo_pch_test LIBS zembo_core Qt6::Test
        HEADERS <QSignalSpy> <QTemporaryDir> <QTest>)
endif()

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
    zembo_target_defaults(${name} PCH zembo_pch_test)
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
