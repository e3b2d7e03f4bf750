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

# The end-to-end test host: whole jobs through the real DLL under Wine, each handed what the Linux
# build's filter was handed (tests/windows/job_record.h). What Wine lacks comes from the project's
# own imaging code, a prntvpt.dll of the test's, an object model and a rasterization service.
set(BRIMLOFT_PLATFORM_OBJECTS_INCLUDE ${CMAKE_BINARY_DIR}/platform-objects-include)
file(MAKE_DIRECTORY ${BRIMLOFT_PLATFORM_OBJECTS_INCLUDE})
file(CREATE_LINK ${CMAKE_SOURCE_DIR}/platform/include/platform ${BRIMLOFT_PLATFORM_OBJECTS_INCLUDE}/platform SYMBOLIC)
set(BRIMLOFT_REPLAY_INCLUDES ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests/windows ${CMAKE_SOURCE_DIR}/platform
  ${CMAKE_SOURCE_DIR}/interfaces ${BRIMLOFT_PLATFORM_OBJECTS_INCLUDE})
# The loader cannot pick kernels by processor here, so the imaging code keeps its baseline ones.
set(BRIMLOFT_REPLAY_DEFINITIONS UNICODE _UNICODE NOMINMAX BRIMLOFT_WIC_NO_CLONES)
set(BRIMLOFT_REPLAY_WIC axis_taps bitmap bitmap_lock bitmap_scaler black_white copy_request flip_rotator
  format_converter pixel_format pixel_rows scaler_kernels)
list(TRANSFORM BRIMLOFT_REPLAY_WIC PREPEND ${CMAKE_SOURCE_DIR}/platform/wic/)
list(TRANSFORM BRIMLOFT_REPLAY_WIC APPEND .cpp)
add_executable(replay_host tests/windows/replay/replay_host.cpp tests/windows/replay/pipeline_objects.cpp
  tests/windows/replay/rasterization.cpp tests/windows/replay/object_model.cpp
  tests/windows/replay/imaging_factory.cpp tests/windows/replay/pixel_memory_heap.cpp
  platform/windows/interface_ids.cpp ${BRIMLOFT_REPLAY_WIC})
target_include_directories(replay_host PRIVATE ${BRIMLOFT_REPLAY_INCLUDES})
target_compile_definitions(replay_host PRIVATE ${BRIMLOFT_REPLAY_DEFINITIONS})
target_compile_options(replay_host PRIVATE ${BRIMLOFT_WARNINGS})
target_link_libraries(replay_host PRIVATE ole32 oleaut32 uuid windowscodecs advapi32)
target_link_options(replay_host PRIVATE -static -static-libgcc -static-libstdc++)

add_library(prntvpt_replay SHARED tests/windows/replay/prntvpt_replay.cpp tests/windows/replay/prntvpt.def)
target_include_directories(prntvpt_replay PRIVATE ${BRIMLOFT_REPLAY_INCLUDES})
target_compile_definitions(prntvpt_replay PRIVATE ${BRIMLOFT_REPLAY_DEFINITIONS})
target_compile_options(prntvpt_replay PRIVATE ${BRIMLOFT_WARNINGS})
target_link_libraries(prntvpt_replay PRIVATE ole32 uuid)
target_link_options(prntvpt_replay PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(prntvpt_replay PROPERTIES PREFIX "" OUTPUT_NAME prntvpt)

# Checks the driver package's class ids against the DLL under Wine (scripts/package-windows.sh).
add_executable(package_classes tests/windows/package_classes.cpp)
target_include_directories(package_classes PRIVATE ${BRIMLOFT_SYSTEM_INCLUDES})
target_compile_options(package_classes PRIVATE ${BRIMLOFT_WARNINGS})
target_link_libraries(package_classes PRIVATE ole32 uuid)
target_link_options(package_classes PRIVATE -static -static-libgcc -static-libstdc++)
