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
    if(T_LAUNCHER)
        # Runs both the test discovery and every test through the launcher script.
        set_target_properties(${T_NAME} PROPERTIES CROSSCOMPILING_EMULATOR "${T_LAUNCHER}")
    endif()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60)
    # Labels and environment are set by a script of our own that CTest reads after the
    # discovered list: gtest_discover_tests' PROPERTIES flattens every list (A=1;B=2 becomes
    # two arguments) and an empty value shifts the next property into its place.
    if(T_LABELS OR T_ENVIRONMENT)
        set(script "${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_properties.cmake")
        file(WRITE "${script}"
            "if(${T_NAME}_TESTS)\n"
            "    set_tests_properties(\${${T_NAME}_TESTS} PROPERTIES\n"
            "        LABELS [==[${T_LABELS}]==]\n"
            "        ENVIRONMENT [==[${T_ENVIRONMENT}]==])\n"
            "endif()\n")
        set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${script}")
    endif()
endfunction()
