# Compiler settings and helpers shared by every target of the tree.

add_compile_options(-Wall -Wextra)
if(RAX_WERROR)
  add_compile_options(-Werror)
endif()

if(WIN32)
  # Every module runs alone: no libgcc, libstdc++ or winpthread DLLs beside it.
  add_link_options(-static)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
endif()

if(RAX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# rax_gtest(<name> SOURCES ... [LIBS ...] [TIMEOUT s] [LABELS ...] [PROPERTIES ...]): a GoogleTest program
# registered with ctest; PROPERTIES are further test properties of each of its tests.
# Discovery happens when ctest runs, so a cross build never starts Wine while building.
function(rax_gtest name)
  cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  if(RAX_LIBFUZZER)
    return()
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 60)
  endif()
  set(ARG_LABELS_PROPERTY)
  if(ARG_LABELS)
    set(ARG_LABELS_PROPERTY LABELS "${ARG_LABELS}")
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    PROPERTIES TIMEOUT ${ARG_TIMEOUT} ${ARG_LABELS_PROPERTY} ${ARG_PROPERTIES})
endfunction()

# rax_fuzzer(<name> SOURCES ... [LIBS ...] CORPUS <dir>): a fuzz target.
# With RAX_LIBFUZZER it is a libFuzzer program; otherwise it is linked with a
# replay driver and the seed corpus is run through it as an ordinary test.
function(rax_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  if(RAX_LIBFUZZER)
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  elseif(NOT WIN32)
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    add_test(NAME ${name}.corpus COMMAND ${name} ${ARG_CORPUS})
    set_tests_properties(${name}.corpus PROPERTIES TIMEOUT 120)
  endif()
endfunction()
