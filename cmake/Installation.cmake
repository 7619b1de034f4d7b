# What `cmake --install` puts into the prefix, in two components:
#
#   programm     the own host vxmdorvex and the command-line tools, launcher,
#                icon, AppStream data, man pages        -> package vxmdorvex
#   entwicklung  the component as one static library, the headers a host
#                needs and the CMake package vxmDorvex  -> libvxmdorvex-dev
#
# A host writes find_package(vxmDorvex) and links vxmDorvex::vxmDorvex.
#
# The library is static: its interface is C++ classes and std types that
# change with the code, without symbol versioning, so a shared library would
# need a new SONAME (and a renamed Debian package) with nearly every change
# for its one consumer at a time. A host links the archive once; Qt, SQLite,
# xxHash, SANE, TIFF and GIF stay shared system libraries.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(VXM_APP_ID "de.vxm.vxmdorvex" CACHE STRING
    "Reverse-DNS id of the program: desktop file, icon and AppStream data")

# ---- the library --------------------------------------------------------

# The libraries the component is built from; the installed archive holds all
# their objects, so a host links one library in any order. A library that a
# split of the sources adds to the component gets its name here.
set(VXM_BIBLIOTHEKSTEILE vxmkern vxmqt)
# The window's full-text index (its indexer and search) when it was built.
if(TARGET vxmvolltext)
  list(APPEND VXM_BIBLIOTHEKSTEILE vxmvolltext)
endif()

# The headers a host needs, relative to the source root and installed with
# the same paths below include/vxmdorvex: the public class and the parameter
# array, the Qt set-up, Dienste() with the interfaces a host fills (message
# boxes, outside components, file system and drive table) and the error type
# they raise. An installed header includes only installed headers (the test
# vxm_installation compiles each one alone).
set(VXM_OEFFENTLICHE_KOPFDATEIEN
  component/vxmdorvex.h
  basis/aufrufparameter.h
  component/qt/oberflaeche.h
  platform/dienste.h
  platform/dialoge.h
  platform/komponenten.h
  platform/dateisystem.h
  platform/laufwerke.h
  platform/variant.h
  platform/fehler.h)

set(vxm_objekte)
foreach(teil ${VXM_BIBLIOTHEKSTEILE})
  # a host may link the archive into a shared library of its own
  set_property(TARGET ${teil} PROPERTY POSITION_INDEPENDENT_CODE ON)
  list(APPEND vxm_objekte $<TARGET_OBJECTS:${teil}>)
endforeach()
add_library(vxmdorvex_bibliothek STATIC ${vxm_objekte})
set_target_properties(vxmdorvex_bibliothek PROPERTIES
  OUTPUT_NAME vxmdorvex EXPORT_NAME vxmDorvex LINKER_LANGUAGE CXX AUTOMOC OFF)
target_compile_features(vxmdorvex_bibliothek INTERFACE cxx_std_20)
target_include_directories(vxmdorvex_bibliothek INTERFACE
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/vxmdorvex>)
# What the archive's objects need, as the installed package finds it (the
# config file looks for the same).
target_link_libraries(vxmdorvex_bibliothek INTERFACE Qt6::Widgets Qt6::Gui Qt6::Core Threads::Threads
  $<INSTALL_INTERFACE:SQLite::SQLite3> $<INSTALL_INTERFACE:PkgConfig::vxmDorvex_XXHASH>
  $<INSTALL_INTERFACE:PkgConfig::vxmDorvex_PQ>)
if(VXM_SANITIZE)
  # objects built with the sanitizers need their run-time in the host too
  target_link_options(vxmdorvex_bibliothek INTERFACE -fsanitize=address,undefined)
endif()
if(TARGET vxmvolltext)
  set(VXM_MIT_VOLLTEXT TRUE)
  target_link_libraries(vxmdorvex_bibliothek INTERFACE $<INSTALL_INTERFACE:PkgConfig::vxmDorvex_VOLLTEXT>)
else()
  set(VXM_MIT_VOLLTEXT FALSE)
endif()
foreach(teil SANE TIFF GIF)
  if(${teil}_FOUND)
    set(VXM_MIT_${teil} TRUE)
  else()
    set(VXM_MIT_${teil} FALSE)
  endif()
endforeach()
if(VXM_MIT_SANE)
  target_link_libraries(vxmdorvex_bibliothek INTERFACE $<INSTALL_INTERFACE:PkgConfig::vxmDorvex_SANE>)
endif()
if(VXM_MIT_TIFF)
  target_link_libraries(vxmdorvex_bibliothek INTERFACE $<INSTALL_INTERFACE:TIFF::TIFF>)
endif()
if(VXM_MIT_GIF)
  target_link_libraries(vxmdorvex_bibliothek INTERFACE $<INSTALL_INTERFACE:GIF::GIF>)
endif()

set(VXM_CMAKE_ZIEL ${CMAKE_INSTALL_LIBDIR}/cmake/vxmDorvex)
install(TARGETS vxmdorvex_bibliothek EXPORT vxmDorvexZiele
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT entwicklung)
# Stripped installs (cmake --install --strip, the packages) keep the symbols
# a host links against and drop the debug information.
if(CMAKE_STRIP)
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug --enable-deterministic-archives
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:vxmdorvex_bibliothek>\")
    endif()" COMPONENT entwicklung)
endif()
foreach(kopf ${VXM_OEFFENTLICHE_KOPFDATEIEN})
  get_filename_component(ordner ${kopf} DIRECTORY)
  install(FILES ${kopf} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vxmdorvex/${ordner} COMPONENT entwicklung)
endforeach()
install(EXPORT vxmDorvexZiele NAMESPACE vxmDorvex:: FILE vxmDorvexTargets.cmake
  DESTINATION ${VXM_CMAKE_ZIEL} COMPONENT entwicklung)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/vxmDorvexConfig.cmake.in
  ${CMAKE_BINARY_DIR}/paket/vxmDorvexConfig.cmake INSTALL_DESTINATION ${VXM_CMAKE_ZIEL})
# 0.x: a new minor version may change the interface
write_basic_package_version_file(${CMAKE_BINARY_DIR}/paket/vxmDorvexConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/paket/vxmDorvexConfig.cmake ${CMAKE_BINARY_DIR}/paket/vxmDorvexConfigVersion.cmake
  DESTINATION ${VXM_CMAKE_ZIEL} COMPONENT entwicklung)

# ---- the programs ---------------------------------------------------------

if(TARGET vxmdorvex)
  target_compile_definitions(vxmdorvex PRIVATE VXM_APP_ID="${VXM_APP_ID}")
endif()

# Installed programs; each has its man page paket/man/NAME.1. A new command
# gets its line here and its page there: vxmdorvex-index is installed once
# its target exists, and paket/man/vxmdorvex-index.1 is the place for its page.
set(VXM_PROGRAMME vxmdorvex vxmdorvex-suche vxmdorvex-register vxmdorvex-index vxmdorvex-extrakt)

set(vxm_handbuecher)
foreach(programm ${VXM_PROGRAMME})
  if(NOT TARGET ${programm})
    continue()
  endif()
  install(TARGETS ${programm} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programm)
  set(seite ${CMAKE_CURRENT_SOURCE_DIR}/paket/man/${programm}.1)
  if(NOT EXISTS ${seite})
    message(WARNING "${programm} is installed without a man page: write paket/man/${programm}.1")
    continue()
  endif()
  set(gz ${CMAKE_BINARY_DIR}/paket/man/${programm}.1.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/paket/man
    COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${seite} ${gz}
    DEPENDS ${seite} VERBATIM)
  list(APPEND vxm_handbuecher ${gz})
  install(FILES ${gz} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT programm)
endforeach()

# Launcher, icon and AppStream data, named by the program's id.
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/paket/vxmdorvex.desktop.in
  ${CMAKE_BINARY_DIR}/paket/${VXM_APP_ID}.desktop @ONLY)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/paket/vxmdorvex.metainfo.xml.in
  ${CMAKE_BINARY_DIR}/paket/${VXM_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/paket/${VXM_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT programm)
install(FILES ${CMAKE_BINARY_DIR}/paket/${VXM_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT programm)
install(FILES paket/symbol/vxmdorvex.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
  RENAME ${VXM_APP_ID}.svg COMPONENT programm)
foreach(groesse 16 24 32 48 64 128 256)
  install(FILES paket/symbol/vxmdorvex-${groesse}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${groesse}x${groesse}/apps
    RENAME ${VXM_APP_ID}.png COMPONENT programm)
endforeach()

# Debian's copyright file and the change log, gzip'd as Debian wants it, in
# the documentation folder of each package.
set(vxm_changelog ${CMAKE_BINARY_DIR}/paket/changelog.Debian.gz)
add_custom_command(OUTPUT ${vxm_changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/paket
  COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${CMAKE_CURRENT_SOURCE_DIR}/paket/changelog ${vxm_changelog}
  DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/paket/changelog VERBATIM)
add_custom_target(vxm_paketdateien ALL DEPENDS ${vxm_handbuecher} ${vxm_changelog})
foreach(paar "programm;vxmdorvex" "entwicklung;libvxmdorvex-dev")
  list(GET paar 0 komponente)
  list(GET paar 1 paket)
  install(FILES paket/copyright ${vxm_changelog}
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${paket} COMPONENT ${komponente})
endforeach()

# ---- checks -------------------------------------------------------------

if(VXM_TESTS)
  # A tiny host builds against an installed tree in a temporary prefix and
  # opens the window offscreen.
  add_test(NAME vxm_installation COMMAND ${CMAKE_COMMAND}
    -DBAU=${CMAKE_BINARY_DIR} -DWIRT=${CMAKE_CURRENT_SOURCE_DIR}/tests/installation
    -DZIEL=${CMAKE_BINARY_DIR}/installationstest -DCXX_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER}
    -P ${CMAKE_CURRENT_LIST_DIR}/HostPruefen.cmake)
  set_tests_properties(vxm_installation PROPERTIES TIMEOUT 900 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

  find_program(VXM_DESKTOP_VALIDATE desktop-file-validate)
  if(VXM_DESKTOP_VALIDATE)
    add_test(NAME vxm_desktopdatei COMMAND ${VXM_DESKTOP_VALIDATE} ${CMAKE_BINARY_DIR}/paket/${VXM_APP_ID}.desktop)
  endif()
  find_program(VXM_APPSTREAMCLI appstreamcli)
  if(VXM_APPSTREAMCLI)
    add_test(NAME vxm_appstream COMMAND ${VXM_APPSTREAMCLI} validate --no-net
      ${CMAKE_BINARY_DIR}/paket/${VXM_APP_ID}.metainfo.xml)
  endif()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/Paket.cmake)
