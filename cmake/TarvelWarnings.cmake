# Compiler warnings for every target of the project, in one place.
# TARVEL_WARNINGS_AS_ERRORS turns them into errors (the `ci` preset sets it).
# tarvel_strict_warnings() adds -Wshadow and -Wconversion to the targets named,
# the Qt-free code that compiles clean with them.
option(TARVEL_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

if(MSVC)
  add_compile_options(/W4)
  if(TARVEL_WARNINGS_AS_ERRORS)
    add_compile_options(/WX)
  endif()
else()
  add_compile_options(-Wall -Wextra)
  if(TARVEL_WARNINGS_AS_ERRORS)
    add_compile_options(-Werror)
  endif()
endif()

function(tarvel_strict_warnings)
  if(MSVC)
    return()
  endif()
  foreach(target IN LISTS ARGN)
    if(TARGET ${target})
      # clang's -Wconversion also counts sign changes, which gcc's leaves out.
      target_compile_options(${target} PRIVATE -Wshadow -Wconversion
                             $<$<CXX_COMPILER_ID:Clang>:-Wno-sign-conversion>)
    endif()
  endforeach()
endfunction()
