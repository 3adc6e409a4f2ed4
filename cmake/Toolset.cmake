# Helpers shared by every subsystem's CMakeLists.

# Model libraries hold all state and logic and must stay free of Qt. The Qt
# include folders are reachable only through Qt's targets, so a model library
# that includes a Qt header fails to compile; toolset_check_model_libraries()
# also refuses, at configure time, any Qt target among its link libraries.
set_property(GLOBAL PROPERTY TOOLSET_MODEL_LIBRARIES "")

function(toolset_model_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY TOOLSET_MODEL_LIBRARIES ${name})
endfunction()

function(_toolset_links_qt target out)
  set(found FALSE)
  get_target_property(libs ${target} LINK_LIBRARIES)
  get_target_property(ilibs ${target} INTERFACE_LINK_LIBRARIES)
  foreach(lib IN LISTS libs ilibs)
    if(lib MATCHES "^Qt[0-9]*::" OR lib MATCHES "Qt[0-9]*(Core|Gui|Widgets)")
      set(found TRUE)
    elseif(TARGET ${lib})
      get_target_property(imported ${lib} IMPORTED)
      if(NOT imported)
        _toolset_links_qt(${lib} sub)
        if(sub)
          set(found TRUE)
        endif()
      endif()
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(toolset_check_model_libraries)
  get_property(models GLOBAL PROPERTY TOOLSET_MODEL_LIBRARIES)
  foreach(m IN LISTS models)
    _toolset_links_qt(${m} linksQt)
    if(linksQt)
      message(FATAL_ERROR "Model library ${m} must not link Qt")
    endif()
  endforeach()
endfunction()

# A GoogleTest executable registered with CTest as one test.
function(toolset_gtest name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gtest_main common_testing)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "TOOLSET_DATA=${PROJECT_BINARY_DIR}/data" TIMEOUT 600)
endfunction()

# A Qt Test executable for a form's wiring, run on the offscreen platform.
function(toolset_qtest name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE Qt6::Test Qt6::Widgets common_testing)
  add_test(NAME ${name} COMMAND ${name})
  # A form test stuck in a modal window fails after two minutes instead of
  # holding up the run. The editor's settings and recent files stay in the
  # build tree.
  set_tests_properties(${name} PROPERTIES TIMEOUT 120 ENVIRONMENT
    "QT_QPA_PLATFORM=offscreen;TOOLSET_DATA=${PROJECT_BINARY_DIR}/data;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}_config")
endfunction()
