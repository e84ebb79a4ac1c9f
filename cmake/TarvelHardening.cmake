# The hardening flags Debian builds its packages with (dpkg-buildflags, every
# hardening feature on): stack protector, fortified C library calls, format
# checks, read-only relocations bound at start. Optimisation and debug
# information stay the build type's; fortification needs the optimiser, so
# only the optimised build types have it. Where dpkg-buildflags is missing (other systems,
# the cross builds) nothing is added.
find_program(DPKG_BUILDFLAGS_PROGRAM dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS_PROGRAM)
  return()
endif()

function(tarvel_dpkg_buildflags kind out)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${DPKG_BUILDFLAGS_PROGRAM} --get ${kind}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  list(FILTER flags EXCLUDE REGEX "^-(O|g|ffile-prefix-map=)")
  set(${out} "${flags}" PARENT_SCOPE)
endfunction()

tarvel_dpkg_buildflags(CPPFLAGS hardening_cppflags)
tarvel_dpkg_buildflags(CXXFLAGS hardening_cxxflags)
tarvel_dpkg_buildflags(LDFLAGS hardening_ldflags)
add_compile_options(${hardening_cxxflags} "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:${hardening_cppflags}>")
add_link_options(${hardening_ldflags})
message(STATUS "Hardening flags (dpkg-buildflags): ${hardening_cxxflags} ${hardening_cppflags} ${hardening_ldflags}")
