# The Win32 side of the snap-in: every snapin/**/*_win32.cpp in the static
# library raxwin32 (which the tests link directly), and RAXADM95.DLL made of
# it, the resources and the export list.

file(GLOB_RECURSE rax_win32_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*_win32.cpp)

add_library(raxwin32 STATIC ${rax_win32_sources})
target_include_directories(raxwin32 PUBLIC
  ${CMAKE_CURRENT_LIST_DIR}
  ${PROJECT_SOURCE_DIR}/standins/include)
target_link_libraries(raxwin32 PUBLIC raxportable user32 gdi32)
# The platform libraries, through their import libraries, as far as they are built.
foreach(rax_platform_lib dircli32 langsup32 svclib32 admhost95 admshare95)
  if(TARGET ${rax_platform_lib})
    target_link_libraries(raxwin32 PUBLIC ${rax_platform_lib})
  endif()
endforeach()

# The main resource script (string table, version record), for the DLL and
# for tests that need the string table in their own module. The DLL carries
# every script of snapin/resources.
set(RAXADM95_RC ${CMAKE_CURRENT_LIST_DIR}/resources/raxadm95.rc CACHE INTERNAL "")
file(GLOB rax_resource_scripts CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/resources/*.rc)

add_library(RAXADM95 SHARED ${rax_resource_scripts} ${CMAKE_CURRENT_LIST_DIR}/raxadm95.def)
set_target_properties(RAXADM95 PROPERTIES
  PREFIX ""
  OUTPUT_NAME RAXADM95
  SUFFIX ".DLL"
  LINKER_LANGUAGE CXX
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_include_directories(RAXADM95 PRIVATE ${CMAKE_CURRENT_LIST_DIR}/resources)
target_link_libraries(RAXADM95 PRIVATE raxwin32)
# Nothing is exported but what the export list names.
target_link_options(RAXADM95 PRIVATE -Wl,--exclude-all-symbols)
