# A Release build is what gets installed: it is compiled and linked with the flags Debian's
# own packages get (dpkg-buildflags with every hardening feature: fortify, stack protector,
# relro, bind now, PIE, control-flow protection). Other build types keep their own flags,
# so the tests, sanitizers and fuzzers are not changed by this.
if(CMAKE_BUILD_TYPE STREQUAL "Release")
  find_program(KYQ_DPKG_BUILDFLAGS dpkg-buildflags)
  set(kyq_default_deb_flags OFF)
  if(KYQ_DPKG_BUILDFLAGS)
    set(kyq_default_deb_flags ON)
  endif()
  option(KYQ_DEB_BUILDFLAGS "Compile and link a Release build with dpkg-buildflags' hardening flags"
         ${kyq_default_deb_flags})
  if(KYQ_DEB_BUILDFLAGS)
    if(NOT KYQ_DPKG_BUILDFLAGS)
      message(FATAL_ERROR "KYQ_DEB_BUILDFLAGS needs dpkg-buildflags (Debian package dpkg-dev)")
    endif()
    foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
      # From the source folder, so that the file-prefix map makes the paths in the
      # binaries relative to it.
      execute_process(
        COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                ${KYQ_DPKG_BUILDFLAGS} --get ${kind}
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
        OUTPUT_VARIABLE kyq_deb_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE
        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    string(APPEND CMAKE_C_FLAGS " ${kyq_deb_CPPFLAGS} ${kyq_deb_CFLAGS}")
    string(APPEND CMAKE_CXX_FLAGS " ${kyq_deb_CPPFLAGS} ${kyq_deb_CXXFLAGS}")
    foreach(kind EXE SHARED MODULE)
      string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${kyq_deb_LDFLAGS}")
    endforeach()
    message(STATUS "Release build with dpkg-buildflags: ${kyq_deb_CPPFLAGS} ${kyq_deb_CXXFLAGS} ${kyq_deb_LDFLAGS}")
  endif()
endif()
