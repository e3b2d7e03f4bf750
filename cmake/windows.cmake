# The Windows build: the same system sources against the real SDK headers, as a 64-bit DLL with
# exactly two exports that needs no compiler runtime DLL beside it.
# RapidXML is header-only and platform-neutral. Only its own folder of the build machine's headers is
# exposed, through a link, never the rest of /usr/include.
find_path(BRIMLOFT_RAPIDXML_ROOT rapidxml/rapidxml.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(BRIMLOFT_RAPIDXML_INCLUDE ${CMAKE_BINARY_DIR}/rapidxml-include)
file(MAKE_DIRECTORY ${BRIMLOFT_RAPIDXML_INCLUDE})
file(CREATE_LINK ${BRIMLOFT_RAPIDXML_ROOT}/rapidxml ${BRIMLOFT_RAPIDXML_INCLUDE}/rapidxml SYMBOLIC)

# The Print Ticket API is bound by ordinal, as the system's own headers expect of prntvpt.dll.
include(cmake/prntvpt_ordinals.cmake)
set(BRIMLOFT_WINDOWS_LIBS ole32 oleaut32 uuid shlwapi advapi32 windowscodecs prntvpt_ordinals)
add_library(brimloft_filter SHARED ${BRIMLOFT_SYSTEM_SOURCES} module/dllentry.cpp
  platform/windows/comsupp.cpp platform/windows/interface_ids.cpp module/brimloft_filter.def)
target_include_directories(brimloft_filter PRIVATE ${BRIMLOFT_SYSTEM_INCLUDES}
  ${CMAKE_SOURCE_DIR}/platform/windows/include ${BRIMLOFT_RAPIDXML_INCLUDE})
target_compile_definitions(brimloft_filter PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)
target_compile_options(brimloft_filter PRIVATE ${BRIMLOFT_WARNINGS})
target_link_libraries(brimloft_filter PRIVATE ${BRIMLOFT_WINDOWS_LIBS})
target_link_options(brimloft_filter PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(brimloft_filter PROPERTIES PREFIX "" OUTPUT_NAME brimloft_filter)

# A small program that loads the DLL as the pipeline would; run under Wine where it is installed.
add_executable(module_check tests/windows/module_check.cpp)
target_include_directories(module_check PRIVATE ${BRIMLOFT_SYSTEM_INCLUDES})
target_compile_options(module_check PRIVATE ${BRIMLOFT_WARNINGS})
target_link_libraries(module_check PRIVATE ole32 uuid)
target_link_options(module_check PRIVATE -static -static-libgcc -static-libstdc++)

# The comsupp stand-ins on their own, run under Wine beside the module check.
add_executable(comsupp_check tests/windows/comsupp_check.cpp platform/windows/comsupp.cpp)
target_compile_definitions(comsupp_check PRIVATE UNICODE _UNICODE)
target_compile_options(comsupp_check PRIVATE ${BRIMLOFT_WARNINGS})
target_link_libraries(comsupp_check PRIVATE oleaut32 ole32 uuid)
target_link_options(comsupp_check PRIVATE -static -static-libgcc -static-libstdc++)
