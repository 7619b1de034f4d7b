# Test of the installed tree (cmake -P): installs the build folder BAU into a
# prefix below ZIEL, builds the tiny host WIRT against that prefix only and
# runs it offscreen on a store of its own.
function(ausfuehren)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    string(REPLACE ";" " " befehl "${ARGN}")
    message(FATAL_ERROR "failed (${rc}): ${befehl}")
  endif()
endfunction()

file(REMOVE_RECURSE ${ZIEL})
set(prefix ${ZIEL}/prefix)
ausfuehren(${CMAKE_COMMAND} --install ${BAU} --prefix ${prefix} --strip)

set(optionen -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
if(CXX_LAUNCHER)
  list(APPEND optionen -DCMAKE_CXX_COMPILER_LAUNCHER=${CXX_LAUNCHER})
endif()
ausfuehren(${CMAKE_COMMAND} -S ${WIRT} -B ${ZIEL}/bau ${optionen})
ausfuehren(${CMAKE_COMMAND} --build ${ZIEL}/bau -j2)

# The store: the keyword register made by the installed tool; the host makes
# its own databases.
set(lauf ${ZIEL}/lauf)
file(MAKE_DIRECTORY ${lauf}/c/VXM/VXMDAT)
ausfuehren(${prefix}/bin/vxmdorvex-register anlegen ${lauf}/c/VXM/VXMDAT/vxmdok.mdb)
ausfuehren(${CMAKE_COMMAND} -E env --unset=VXM_LAUFWERKE --unset=DISPLAY --unset=WAYLAND_DISPLAY
  HOME=${lauf} VXM_REGISTRY=${lauf}/registry.ini QT_QPA_PLATFORM=offscreen
  ${ZIEL}/bau/vxm_wirt ${lauf})
message(STATUS "host built against ${prefix} and opened the window: ${lauf}/fenster.png")
