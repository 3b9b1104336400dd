# One call declares one module: a static library named after its folder, an alias
# tavrik::<name>, the repository root as its include root and the shared warning flags.

add_library(tavrik_warnings INTERFACE)
target_compile_options(tavrik_warnings INTERFACE -Wall -Wextra -Wpedantic)
if(TAVRIK_WERROR)
    target_compile_options(tavrik_warnings INTERFACE -Werror)
endif()

# tavrik_module(NAME <name> SOURCES <files...> [DEPS <targets...>] [PRIVATE_DEPS <targets...>])
function(tavrik_module)
    cmake_parse_arguments(M "" "NAME" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
    add_library(${M_NAME} STATIC ${M_SOURCES})
    add_library(tavrik::${M_NAME} ALIAS ${M_NAME})
    target_include_directories(${M_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${M_NAME} PUBLIC ${M_DEPS} PRIVATE tavrik_warnings ${M_PRIVATE_DEPS})
endfunction()

# tavrik_test(NAME <name> SOURCES <files...> DEPS <targets...> [LABELS <labels...>]
#             [ENVIRONMENT <k=v...>] [LAUNCHER <script>])
function(tavrik_test)
    cmake_parse_arguments(T "" "NAME;LAUNCHER" "SOURCES;DEPS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_DEPS} tavrik_warnings GTest::gtest_main GTest::gmock)
    # An empty value would swallow the next property name, so only set what was given.
    set(properties "")
    if(T_LABELS)
        list(APPEND properties LABELS "${T_LABELS}")
    endif()
    # The environment goes in front of the test command through env: a list-valued
    # ENVIRONMENT property loses all but its first entry on its way through
    # gtest_discover_tests. The launcher, if any, runs next; both also run the discovery.
    set(launcher "")
    if(T_ENVIRONMENT)
        set(launcher env ${T_ENVIRONMENT})
    endif()
    if(T_LAUNCHER)
        list(APPEND launcher ${T_LAUNCHER})
    endif()
    if(launcher)
        set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR "${launcher}")
    endif()
    gtest_discover_tests(${T_NAME}
        DISCOVERY_TIMEOUT 60
        PROPERTIES ${properties})
endfunction()
