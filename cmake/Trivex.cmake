# trivex_add_library(name [DIRS dir...] [EXCLUDE regex] [DEPS ...])
# One library target per deliverable or platform piece, built from every source
# below the given folders (default: the current folder). Public headers sit beside
# the sources and are included as "<folder>/<file>.h" from the repository root.
function(trivex_add_library name)
  cmake_parse_arguments(ARG "" "EXCLUDE" "DIRS;DEPS" ${ARGN})
  if(NOT ARG_DIRS)
    set(ARG_DIRS .)
  endif()
  set(sources)
  foreach(dir ${ARG_DIRS})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h")
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${ARG_EXCLUDE}")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# trivex_add_test_program(name sources...)
# A test program. The fuzz build compiles every test with clang, so that code
# only one of the two compilers takes fails there too, but links and runs
# none of them: the sanitizer build does that, and the tests' objects are
# what the second compiler has to see.
function(trivex_add_test_program name)
  if(TRIVEX_FUZZ)
    add_library(${name} OBJECT ${ARGN})
  else()
    add_executable(${name} ${ARGN})
  endif()
endfunction()

# trivex_add_test(name [DEPS ...])
# One GoogleTest program of every *.cpp in the current folder, run by CTest
# offscreen, each test with a settings folder of its own, built after the
# description tree is staged.
function(trivex_add_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp" "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  trivex_add_test_program(${name} ${sources})
  target_link_libraries(${name} PRIVATE trivex_test_main ${ARG_DEPS})
  # Tests that need the staged description fail without it, so it is staged first.
  add_dependencies(${name} stage_descriptions)
  if(TRIVEX_FUZZ)
    return()
  endif()
  # The tests are listed when ctest starts. Listing a sanitizer-built program
  # takes seconds on a machine busy with other builds, far past the 5 s that
  # CMake allows by default; the limit only has to catch a program that hangs.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 300
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
               TIMEOUT 300)
endfunction()

# trivex_add_leak_suppressions()
# Adds cmake/LeakSuppressions.cpp to every executable defined so far below
# the top folder: the sanitizer build's named list of system libraries whose
# leaks are not reported.
function(trivex_add_leak_suppressions)
  set(dirs "${PROJECT_SOURCE_DIR}")
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      if(type STREQUAL "EXECUTABLE")
        target_sources(${target} PRIVATE "${PROJECT_SOURCE_DIR}/cmake/LeakSuppressions.cpp")
      endif()
    endforeach()
    get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${subdirs})
  endwhile()
endfunction()
