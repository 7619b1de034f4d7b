# Check (cmake -P): every source file of the folders is listed in its
# folder's quellen.cmake, and every listed file exists. A file that is
# added but not listed would silently not be built.
cmake_policy(SET CMP0057 NEW)
get_filename_component(wurzel "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(VXM_KERN_QUELLEN)
set(VXM_QT_QUELLEN)
set(VXM_VOLLTEXT_QUELLEN)
set(VXM_KERN_TESTS)
set(VXM_QT_TESTS)
set(VXM_QT_TESTHILFEN)
set(VXM_BENCHMARK_QUELLEN)
set(VXM_DEMO_TEILE)
foreach(teil platform basis store files keywords search create imaging component tests bench app)
  include("${wurzel}/${teil}/quellen.cmake")
endforeach()
set(gelistet ${VXM_KERN_QUELLEN} ${VXM_QT_QUELLEN} ${VXM_VOLLTEXT_QUELLEN} ${VXM_KERN_TESTS} ${VXM_QT_TESTS}
    ${VXM_QT_TESTHILFEN} ${VXM_BENCHMARK_QUELLEN} ${VXM_DEMO_TEILE})

file(GLOB vorhanden RELATIVE "${wurzel}"
  "${wurzel}/platform/*.cpp" "${wurzel}/basis/*.cpp" "${wurzel}/store/*.cpp" "${wurzel}/files/*.cpp"
  "${wurzel}/keywords/*.cpp" "${wurzel}/search/*.cpp" "${wurzel}/create/*.cpp" "${wurzel}/imaging/*.cpp"
  "${wurzel}/component/*.cpp" "${wurzel}/*/qt/*.cpp" "${wurzel}/*/qt/*.h" "${wurzel}/search/volltext/*.cpp"
  "${wurzel}/tests/*_test.cpp" "${wurzel}/tests/qt/*_test.cpp" "${wurzel}/tests/qt/*hilfen*.cpp"
  "${wurzel}/bench/*_benchmark.cpp" "${wurzel}/app/demo_*.cpp")
list(FILTER vorhanden EXCLUDE REGEX "^tests/qt/")
file(GLOB qt_tests RELATIVE "${wurzel}" "${wurzel}/tests/qt/*_test.cpp" "${wurzel}/tests/qt/*hilfen*.cpp")
list(APPEND vorhanden ${qt_tests})

set(fehler "")
foreach(d ${vorhanden})
  if(NOT d IN_LIST gelistet)
    string(APPEND fehler "  ${d}: not listed in its folder's quellen.cmake\n")
  endif()
endforeach()
foreach(d ${gelistet})
  if(NOT EXISTS "${wurzel}/${d}")
    string(APPEND fehler "  ${d}: listed but not there\n")
  endif()
endforeach()
if(fehler)
  message(FATAL_ERROR "Source lists and folders disagree:\n${fehler}")
endif()
message(STATUS "Every source is listed")
