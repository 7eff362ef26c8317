# Helpers that keep the layering honest: logic libraries see Qt Core only, and every
# test runs on the offscreen platform.

set_property(GLOBAL PROPERTY QX_LOGIC_TARGETS "")

# qx_logic_library(<name> <sources...> [LIBS <qx logic libs...>])
function(qx_logic_library name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_UNPARSED_ARGUMENTS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC Qt6::Core ${ARG_LIBS})
  set_property(GLOBAL APPEND PROPERTY QX_LOGIC_TARGETS ${name})
endfunction()

function(_qx_forbidden_in target out)
  set(bad "")
  get_target_property(libs ${target} LINK_LIBRARIES)
  get_target_property(ilibs ${target} INTERFACE_LINK_LIBRARIES)
  foreach(lib IN LISTS libs ilibs)
    if(lib MATCHES "Qt6?::(Gui|Widgets|PrintSupport|OpenGL)" OR lib MATCHES "qcustomplot|QCustomPlot")
      list(APPEND bad "${lib}")
    elseif(TARGET ${lib} AND lib MATCHES "^qx_")
      _qx_forbidden_in(${lib} sub)
      list(APPEND bad ${sub})
    endif()
  endforeach()
  set(${out} "${bad}" PARENT_SCOPE)
endfunction()

function(qx_check_logic_layering)
  get_property(targets GLOBAL PROPERTY QX_LOGIC_TARGETS)
  foreach(t IN LISTS targets)
    _qx_forbidden_in(${t} bad)
    if(bad)
      message(FATAL_ERROR "Logic library ${t} must link Qt Core only, but links: ${bad}")
    endif()
  endforeach()
endfunction()

# qx_add_test(<name> <sources...> LIBS <libs...>)
# Each test runs in a home of its own under the build folder (emptied by the qx_test_home
# fixture before every run), so that what a program keeps in the user's settings and
# documents neither leaks into a test nor is touched by one.
function(qx_add_test name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  add_executable(${name} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set(home "${CMAKE_BINARY_DIR}/test-home/${name}")
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;HOME=${home};XDG_CONFIG_HOME=${home}/.config;XDG_DATA_HOME=${home}/.local/share;XDG_CACHE_HOME=${home}/.cache;XDG_STATE_HOME=${home}/.local/state"
    FIXTURES_REQUIRED qx_test_home
    TIMEOUT 300)
endfunction()
