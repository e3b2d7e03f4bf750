# What `cmake --install` puts where: the tools, the filter module and the platform library they
# share, the CUPS filter and the PPD files where CUPS looks, the man pages, bash completion, the
# READMEs and the licence notes. Every binary finds its libraries through an RPATH relative to its
# own folder ($ORIGIN), so an installed tree works wherever it is moved.
include(GNUInstallDirs)
# The module and the platform library are private: no other program links them. Debian keeps such
# libraries in lib/<multiarch triplet>/<package>, outside the linker's search path.
if(CMAKE_LIBRARY_ARCHITECTURE)
  set(BRIMLOFT_PRIVATE_LIBDIR lib/${CMAKE_LIBRARY_ARCHITECTURE}/brimloft)
else()
  set(BRIMLOFT_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/brimloft)
endif()
# CUPS runs filters from <its prefix>/lib/cups/filter on every layout, multiarch or not, and reads
# PPD files from <prefix>/share/ppd for the prefixes /usr, /usr/local and /opt.
set(BRIMLOFT_CUPS_FILTER_DIR lib/cups/filter)
set(BRIMLOFT_PPD_INSTALL_DIR ${CMAKE_INSTALL_DATAROOTDIR}/ppd/brimloft)
set(BRIMLOFT_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/brimloft)
set(BRIMLOFT_COMPLETION_DIR ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions)
set(BRIMLOFT_TOOLS brimloft-print brimloft-decode brimloft-tracefmt brimloft-xpspack)

# The private library folder as seen from an installed folder.
function(brimloft_relative_to_libdir var from)
  file(RELATIVE_PATH relative /prefix/${from} /prefix/${BRIMLOFT_PRIVATE_LIBDIR})
  set(${var} ${relative} PARENT_SCOPE)
endfunction()

brimloft_relative_to_libdir(tools_to_libdir ${CMAKE_INSTALL_BINDIR})
brimloft_relative_to_libdir(filter_to_libdir ${BRIMLOFT_CUPS_FILTER_DIR})
# brimloft-print loads the module from there when it is not beside the program.
target_compile_definitions(brimloft_host PRIVATE BRIMLOFT_INSTALLED_MODULE_DIR="${tools_to_libdir}")
set_target_properties(${BRIMLOFT_TOOLS} PROPERTIES INSTALL_RPATH "$ORIGIN/${tools_to_libdir}")
set_target_properties(rastertobrimloft PROPERTIES INSTALL_RPATH "$ORIGIN/${filter_to_libdir}")
set_target_properties(brimloft_filter PROPERTIES INSTALL_RPATH "$ORIGIN")
# Relocations read-only after loading, as Debian builds every binary it ships.
foreach(target ${BRIMLOFT_TOOLS} rastertobrimloft brimloft_filter brimloft_platform)
  target_link_options(${target} PRIVATE -Wl,-z,relro,-z,now)
endforeach()

install(TARGETS ${BRIMLOFT_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS rastertobrimloft RUNTIME DESTINATION ${BRIMLOFT_CUPS_FILTER_DIR})
install(TARGETS brimloft_filter brimloft_platform LIBRARY DESTINATION ${BRIMLOFT_PRIVATE_LIBDIR})

set(BRIMLOFT_INSTALLED_TARGETS ${BRIMLOFT_TOOLS} rastertobrimloft brimloft_filter)
if(BRIMLOFT_PPDC)
  set(ppds)
  foreach(variant rx1p rx1q rx2p rx2q rx3p rx3q)
    list(APPEND ppds ${CMAKE_BINARY_DIR}/cups/ppd/brimloft-${variant}.ppd)
  endforeach()
  install(FILES ${ppds} DESTINATION ${BRIMLOFT_PPD_INSTALL_DIR})
  list(APPEND BRIMLOFT_INSTALLED_TARGETS brimloft_ppds)
else()
  message(WARNING "ppdc not found (Debian package cups-ppdc): the PPD files are not installed")
endif()

# Man pages are written in roff beside the code and installed compressed, as man finds them.
set(man_pages)
foreach(page brimloft-print.1 brimloft-decode.1 brimloft-tracefmt.1 brimloft-xpspack.1 rastertobrimloft.8)
  set(compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/man/${page} > ${compressed}
    DEPENDS ${CMAKE_SOURCE_DIR}/man/${page} VERBATIM)
  string(REGEX REPLACE ".*\\." "" section ${page})
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  list(APPEND man_pages ${compressed})
endforeach()
set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/changelog > ${changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(brimloft_docs ALL DEPENDS ${man_pages} ${changelog})
list(APPEND BRIMLOFT_INSTALLED_TARGETS brimloft_docs)

# bash-completion loads a command's completion from a file named after the command.
foreach(tool ${BRIMLOFT_TOOLS})
  install(FILES ${CMAKE_SOURCE_DIR}/completion/brimloft.bash DESTINATION ${BRIMLOFT_COMPLETION_DIR} RENAME ${tool})
endforeach()

install(FILES README.md ${CMAKE_SOURCE_DIR}/packaging/copyright ${changelog} DESTINATION ${BRIMLOFT_DOC_DIR})
install(FILES host/cupsfilter/README.md DESTINATION ${BRIMLOFT_DOC_DIR} RENAME README.cups.md)
# MuPDF, linked into the platform library, with the notices of everything it carries.
set(BRIMLOFT_MUPDF_NOTICE /usr/share/doc/libmupdf-dev/copyright)
if(EXISTS ${BRIMLOFT_MUPDF_NOTICE})
  install(FILES ${BRIMLOFT_MUPDF_NOTICE} DESTINATION ${BRIMLOFT_DOC_DIR} RENAME copyright.mupdf)
endif()

# Everything the install copies, without the tests: `cmake --build build --target brimloft_installed`.
add_custom_target(brimloft_installed DEPENDS ${BRIMLOFT_INSTALLED_TARGETS})

include(${CMAKE_CURRENT_LIST_DIR}/packaging.cmake)
