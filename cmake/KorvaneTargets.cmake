# Shared build settings and the helpers every folder uses to declare its targets.

set(KORVANE_WARNING_FLAGS -Wall -Wextra -Wpedantic -Wnon-virtual-dtor)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    list(APPEND KORVANE_WARNING_FLAGS -Wshadow=local)
else()
    list(APPEND KORVANE_WARNING_FLAGS -Wshadow-uncaptured-local)
endif()
if(KORVANE_WERROR)
    list(APPEND KORVANE_WARNING_FLAGS -Werror)
endif()

if(KORVANE_SANITIZE)
    set(KORVANE_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=undefined
        -fno-omit-frame-pointer)
    add_compile_options(${KORVANE_SANITIZER_FLAGS})
    add_link_options(${KORVANE_SANITIZER_FLAGS})
endif()

# Fuzzing: every library is instrumented for coverage and checked by the sanitizers; the fuzz
# targets link libFuzzer's driver (KORVANE_FUZZ_LINK_FLAGS).
if(KORVANE_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "KORVANE_FUZZ needs clang with libFuzzer: -DCMAKE_CXX_COMPILER=clang++")
    endif()
    set(KORVANE_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined)
    add_compile_options(-fsanitize=fuzzer-no-link ${KORVANE_FUZZ_SANITIZERS} -fno-omit-frame-pointer)
    add_link_options(${KORVANE_FUZZ_SANITIZERS})
    set(KORVANE_FUZZ_LINK_FLAGS -fsanitize=fuzzer)
endif()

# Qt: no implicit narrowing of strings, no deprecated API.
add_compile_definitions(QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_DISABLE_DEPRECATED_UP_TO=0x060400)

function(korvane_target_defaults target)
    target_compile_options(${target} PRIVATE ${KORVANE_WARNING_FLAGS})
endfunction()

# korvane_add_library(<name> [SOURCES ...] [DEPENDS ...])
# One static library per subsystem folder. A folder whose code has not been written yet declares
# its place in the dependency order as an interface library, so that the order is fixed from the
# start.
function(korvane_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    if(ARG_SOURCES)
        add_library(${name} STATIC ${ARG_SOURCES})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} PUBLIC ${ARG_DEPENDS})
        korvane_target_defaults(${name})
        # Most of a source's compile time goes to the Qt headers it includes: a library's sources
        # are compiled a few at a time as one unit. Names private to a source file must therefore
        # be unique within its library.
        set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPENDS})
    endif()
endfunction()

# korvane_add_executable(<name> SOURCES ... [DEPENDS ...])
function(korvane_add_executable name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS})
    korvane_target_defaults(${name})
endfunction()

# korvane_add_test(<name> SOURCES ... [DEPENDS ...])
# A Qt Test executable registered with CTest. Every test runs with the offscreen platform and
# with its registry, runtime and configuration folders inside the build tree, so that no test
# can touch the user's real settings even when it forgets to make its own temporary folder.
function(korvane_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test kv_testsupport ${ARG_DEPENDS})
    korvane_target_defaults(${name})
    add_test(NAME ${name} COMMAND ${name})
    set(home "${CMAKE_BINARY_DIR}/test-home/${name}")
    # Qt wants the runtime folder to exist and to be the user's alone.
    file(MAKE_DIRECTORY "${home}/xdg-run")
    file(CHMOD "${home}/xdg-run" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
    set_tests_properties(${name} PROPERTIES
        TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVANE_REGISTRY_DIR=${home}/registry;KORVANE_RUNTIME_DIR=${home}/run;XDG_CONFIG_HOME=${home}/config;XDG_RUNTIME_DIR=${home}/xdg-run;KORVANE_ENGINE_STATE_DIR=${home}/engine-state")
endfunction()
