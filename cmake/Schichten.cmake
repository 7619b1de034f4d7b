# Check of the layers (cmake -P): every #include "folder/..." in the sources
# below WURZEL must point to the same layer or one below it.
#
#   component, component/qt          top: the public class and the main window
#   create imaging search files       subsystems, each may include those
#   store keywords                    listed after it (create -> ... -> keywords)
#   <subsystem>/qt                    windows of the subsystems, same order;
#                                     may include every subsystem's logic
#   basis, basis/qt                   component state, error report, settings,
#                                     the main window's interface
#   platform, platform/qt             bottom: includes nothing above it
#
# Folders without Qt (no /qt in the name) never include a qt folder. app/,
# tests/ and bench/ stand above everything and are not checked.
#
# With -DWURZEL=<root> the check reads that tree (the tests point it at a
# tree of planted faults); it fails and lists every include against the layers.
cmake_policy(SET CMP0057 NEW)

set(vxm_rang_platform 0)
set(vxm_rang_platform/qt 1)
set(vxm_rang_basis 2)
set(vxm_rang_basis/qt 3)
# Subsystems, bottom first.
set(vxm_rang_keywords 10)
set(vxm_rang_store 11)
set(vxm_rang_files 12)
set(vxm_rang_search 13)
set(vxm_rang_imaging 14)
set(vxm_rang_create 15)
set(vxm_rang_keywords/qt 20)
set(vxm_rang_store/qt 21)
set(vxm_rang_files/qt 22)
set(vxm_rang_search/qt 23)
set(vxm_rang_imaging/qt 24)
set(vxm_rang_create/qt 25)
set(vxm_rang_component 30)
set(vxm_rang_component/qt 31)

set(vxm_schichten platform basis keywords store files search imaging create component)

# The layer of a path relative to the root: "files/qt/x.cpp" -> "files/qt",
# "search/volltext/x.cpp" -> "search"; empty outside the layers.
function(vxm_schicht pfad ergebnis)
  string(REPLACE "/" ";" teile "${pfad}")
  list(GET teile 0 ordner)
  if(NOT ordner IN_LIST vxm_schichten)
    set(${ergebnis} "" PARENT_SCOPE)
    return()
  endif()
  list(LENGTH teile n)
  if(n GREATER 2)
    list(GET teile 1 unter)
    if(unter STREQUAL "qt")
      set(${ergebnis} "${ordner}/qt" PARENT_SCOPE)
      return()
    endif()
  endif()
  set(${ergebnis} "${ordner}" PARENT_SCOPE)
endfunction()

# Includes of the source tree that still run against the layers while the
# code moves: "file>include". The list only shrinks; an entry that no longer
# occurs fails the check too. What is left are the main window's own
# controllers (file list, actions, searches, new document, keyword panel);
# other windows reach the main window through basis/qt/hauptfensterzugang.h.
set(vxm_ausnahmen
  keywords/qt/keywortpanel.cpp>component/qt/frmdorvex.h
  store/qt/ordnerbaum.cpp>component/qt/frmdorvex.h
  files/qt/aktionen.cpp>component/qt/frmdorvex.h
  files/qt/dateiliste.cpp>component/qt/frmdorvex.h
  files/qt/ordnerwaechter.cpp>component/qt/frmdorvex.h
  search/qt/datensuche_fenster.cpp>component/qt/frmdorvex.h
  search/qt/suchdateien.cpp>component/qt/frmdorvex.h
  search/qt/suchpanel.cpp>component/qt/frmdorvex.h
  create/qt/neuesdokument.cpp>component/qt/frmdorvex.h)

if(NOT WURZEL)
  get_filename_component(WURZEL "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
else()
  set(vxm_ausnahmen "")
endif()

set(verstoesse "")
set(anzahl 0)
foreach(ordner ${vxm_schichten})
  file(GLOB_RECURSE quellen RELATIVE "${WURZEL}" "${WURZEL}/${ordner}/*.h" "${WURZEL}/${ordner}/*.cpp")
  foreach(quelle ${quellen})
    vxm_schicht("${quelle}" von)
    file(STRINGS "${WURZEL}/${quelle}" zeilen REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
    foreach(zeile ${zeilen})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" ziel "${zeile}")
      vxm_schicht("${ziel}" nach)
      if(nach STREQUAL "" OR nach STREQUAL von)
        continue()
      endif()
      set(grund "")
      if(${vxm_rang_${nach}} GREATER ${vxm_rang_${von}})
        set(grund "${von} may not include ${nach} (a layer above it)")
      elseif(NOT von MATCHES "/qt$" AND nach MATCHES "/qt$")
        set(grund "${von} is free of Qt and may not include ${nach}")
      endif()
      if(grund AND "${quelle}>${ziel}" IN_LIST vxm_ausnahmen)
        list(REMOVE_ITEM vxm_ausnahmen "${quelle}>${ziel}")
        set(grund "")
      endif()
      if(grund)
        math(EXPR anzahl "${anzahl} + 1")
        string(APPEND verstoesse "  ${quelle}: #include \"${ziel}\": ${grund}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

foreach(ausnahme ${vxm_ausnahmen})
  math(EXPR anzahl "${anzahl} + 1")
  string(APPEND verstoesse "  ${ausnahme}: listed as an exception but gone: remove it from the list\n")
endforeach()

if(anzahl GREATER 0)
  message(FATAL_ERROR "${anzahl} includes against the layers:\n${verstoesse}")
endif()
message(STATUS "Includes follow the layers")
