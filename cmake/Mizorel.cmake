# Shared build settings and helpers for the Mizorel libraries and tests.

set(MIZOREL_WARNINGS -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
    -Wcast-align -Woverloaded-virtual -Wimplicit-fallthrough)
if(MIZOREL_WERROR)
  list(APPEND MIZOREL_WARNINGS -Werror)
endif()

if(MIZOREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(MIZOREL_FUZZ)
  # The engine is instrumented for coverage so that the fuzzers see into it.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

set(CMAKE_AUTOMOC ON)
set(CMAKE_AUTOUIC ON)
set(CMAKE_AUTORCC ON)

# Applies the project's warning flags to a target of our own code.
function(mizorel_warnings target)
  target_compile_options(${target} PRIVATE ${MIZOREL_WARNINGS})
endfunction()

# One static library per top-level folder: every .cpp/.h/.ui/.qrc in it.
function(mizorel_add_layer name)
  cmake_parse_arguments(L "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS
       ${CMAKE_SOURCE_DIR}/${name}/*.cpp ${CMAKE_SOURCE_DIR}/${name}/*.h
       ${CMAKE_SOURCE_DIR}/${name}/*.ui ${CMAKE_SOURCE_DIR}/${name}/*.qrc)
  list(FILTER srcs INCLUDE REGEX "\\.cpp$|\\.h$|\\.ui$|\\.qrc$")
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  set(has_cpp FALSE)
  foreach(s IN LISTS srcs)
    if(s MATCHES "\\.cpp$")
      set(has_cpp TRUE)
    endif()
  endforeach()
  if(NOT has_cpp)
    # An empty layer still exists as a target so that the layers above can name it.
    add_library(mz_${name} INTERFACE)
    target_link_libraries(mz_${name} INTERFACE ${L_DEPS})
    return()
  endif()
  add_library(mz_${name} STATIC ${srcs})
  # The generated ui_*.h headers are public too, so that tests can reach a window's controls.
  target_include_directories(mz_${name} PUBLIC ${CMAKE_SOURCE_DIR}
                             ${CMAKE_CURRENT_BINARY_DIR}/mz_${name}_autogen/include)
  set_target_properties(mz_${name} PROPERTIES AUTOUIC_SEARCH_PATHS ${CMAKE_SOURCE_DIR}/${name})
  target_link_libraries(mz_${name} PUBLIC ${L_DEPS})
  mizorel_warnings(mz_${name})
endfunction()
