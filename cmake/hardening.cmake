# Hardening for the optimised builds: the flags that Debian's dpkg-buildflags adds when its
# hardening features are on (fortified C library calls, the stack protector, format checks,
# read-only relocations bound at start-up), found as the difference between its flags with every
# feature on and with every feature off, so that the build follows Debian's own choice and names
# none of them itself. The Debian package gets the same flags from dpkg-buildflags through dh and
# turns this off.
#
# Executables are position-independent (PIE) by the compiler's own default on Debian, which is
# why dpkg-buildflags adds nothing for it; the package test checks it. Asking CMake for it would
# put -fPIE after the -fPIC that Qt requires of the code that uses it, and the window would crash.
option(TOVL_HARDENING "Build with the hardening flags of dpkg-buildflags" ON)

function(tovl_dpkg_buildflags result features kind)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=${features}
            DEB_BUILD_OPTIONS= ${TOVL_DPKG_BUILDFLAGS} --get ${kind}
    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed ERROR_QUIET)
  if(failed)
    set(flags "")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${result} ${flags} PARENT_SCOPE)
endfunction()

# The flags of `kind` that only the hardening features add.
function(tovl_hardening_flags result kind)
  tovl_dpkg_buildflags(hardened +all ${kind})
  tovl_dpkg_buildflags(plain -all ${kind})
  if(plain)
    list(REMOVE_ITEM hardened ${plain})
  endif()
  set(${result} ${hardened} PARENT_SCOPE)
endfunction()

if(TOVL_HARDENING AND NOT TOVL_SANITIZE AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  find_program(TOVL_DPKG_BUILDFLAGS dpkg-buildflags)
  if(TOVL_DPKG_BUILDFLAGS)
    tovl_hardening_flags(preprocessor CPPFLAGS)
    tovl_hardening_flags(compiler CXXFLAGS)
    tovl_hardening_flags(linker LDFLAGS)
    add_compile_options(${preprocessor} ${compiler})
    add_link_options(${linker})
    message(STATUS "Hardening flags of dpkg-buildflags: ${preprocessor} ${compiler} ${linker}")
  else()
    message(WARNING "dpkg-buildflags was not found (Debian's dpkg-dev): building without the "
      "hardening flags")
  endif()
endif()
