# Installation and the Debian package: the executables, manual pages, README, language guide
# and examples, icons, desktop entry, the MIME type that opens *.tovl scripts in the window, and
# the editors' files.
include(GNUInstallDirs)

set(tovlstaging ${CMAKE_BINARY_DIR}/packaging)

install(TARGETS tovl-console tovl-lsp RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TOVL_WINDOW)
  install(TARGETS tovl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Manual pages go in gzipped, as Debian ships them; -n keeps the file name and time out of the
# archive, so the same source gives the same package.
file(MAKE_DIRECTORY ${tovlstaging}/man)
set(tovlmanpages)
foreach(page tovl.1 tovl-console.1 tovl-lsp.1)
  set(compressed ${tovlstaging}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/docs/man/${page} ${page}
    COMMAND gzip -9nf ${page}
    WORKING_DIRECTORY ${tovlstaging}/man
    DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/docs/man/${page}
    COMMENT "Compressing manual page ${page}"
    VERBATIM)
  list(APPEND tovlmanpages ${compressed})
endforeach()
install(FILES ${tovlmanpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The icon in the theme sizes, drawn by the same script that drew the window's 32 x 32 icon, so
# every size shows one design and no second copy of it is kept in the tree.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(tovlmakeicon ${CMAKE_CURRENT_SOURCE_DIR}/host/resources/makeicon.py)
set(tovlicons)
foreach(size 16 32 48 64 128 256)
  set(dir ${tovlstaging}/icons/${size}x${size})
  add_custom_command(OUTPUT ${dir}/tovl.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${Python3_EXECUTABLE} ${tovlmakeicon} ${dir}/tovl.png ${size}
    DEPENDS ${tovlmakeicon}
    COMMENT "Drawing the ${size}x${size} icon"
    VERBATIM)
  list(APPEND tovlicons ${dir}/tovl.png)
  install(FILES ${dir}/tovl.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

add_custom_target(tovlpackagefiles ALL DEPENDS ${tovlmanpages} ${tovlicons})

# The README, the language guide and the example scripts, in the documentation folder.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md ${CMAKE_CURRENT_SOURCE_DIR}/docs/language.md
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
file(GLOB tovlexamples CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/examples/*.tovl)
install(FILES ${tovlexamples} DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/tovl.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/tovl.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# Syntax highlighting of scripts in Vim and in the editors on KDE's syntax engine (Kate, KWrite,
# KDevelop). Their keyword lists and operator rules are made from the rows of
# interp/keywords.def, so they name exactly the keywords and operators the interpreter runs. They
# are laid out in build/editors/share as they are installed, so that the editors can use them
# from there too.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_SOURCE_DIR}/interp/keywords.def)
file(STRINGS ${CMAKE_CURRENT_SOURCE_DIR}/interp/keywords.def tovlrows REGEX "^TOVL_KEYWORD\\(")
set(tovlkeywords)
set(TOVL_VIM_OPERATORS)
set(TOVL_KATE_OPERATOR_KEYWORDS)
set(TOVL_KATE_OPERATOR_CONTEXTS)
foreach(row ${tovlrows})
  string(REGEX MATCH "^TOVL_KEYWORD\\(([a-z]+), *\"[^\"]*\", *\"([^\"]*)\"" matched "${row}")
  set(name ${CMAKE_MATCH_1})
  set(operators "${CMAKE_MATCH_2}")
  list(APPEND tovlkeywords ${name})
  if(operators STREQUAL "")
    continue()
  endif()
  # A minus sign goes first in Vim's collection, where it cannot mean a range.
  string(FIND "${operators}" "-" minus)
  if(minus GREATER -1)
    string(REPLACE "-" "" operators "${operators}")
    set(operators "-${operators}")
  endif()
  string(APPEND TOVL_VIM_OPERATORS
    "syntax match tovlOperator \"\\v%(^${name}[ 0-9]*)@<=[${operators}]\"\n")
  string(REPLACE ">" "&gt;" xmloperators "${operators}")
  string(REPLACE "<" "&lt;" xmloperators "${xmloperators}")
  string(APPEND TOVL_KATE_OPERATOR_KEYWORDS "        <StringDetect String=\"${name}\" column=\"0\" \
attribute=\"Keyword\" context=\"Operands of ${name}\"/>\n")
  string(APPEND TOVL_KATE_OPERATOR_CONTEXTS "      <context name=\"Operands of ${name}\" \
attribute=\"Normal Text\" lineEndContext=\"#pop\"
               fallthroughContext=\"#pop!Text\">
        <RegExpr String=\"[ 0-9]*[0-9]\" attribute=\"Operand\"/>
        <AnyChar String=\"${xmloperators}\" attribute=\"Operator\" context=\"#pop!Text\"/>
      </context>\n")
endforeach()
list(JOIN tovlkeywords "|" TOVL_KEYWORDS)
set(tovleditors ${CMAKE_BINARY_DIR}/editors/share)
# Neovim does not read Vim's folders: it gets the same detection and syntax files in its own,
# with the plugin that starts tovl-lsp for each script.
foreach(vimfiles vim/vimfiles nvim/site)
  configure_file(editors/vim/syntax/tovl.vim.in ${tovleditors}/${vimfiles}/syntax/tovl.vim @ONLY)
  configure_file(editors/vim/ftdetect/tovl.vim ${tovleditors}/${vimfiles}/ftdetect/tovl.vim
    COPYONLY)
endforeach()
configure_file(editors/kate/tovl.xml.in
  ${tovleditors}/org.kde.syntax-highlighting/syntax/tovl.xml @ONLY)
configure_file(editors/nvim/plugin/tovl_lsp.lua ${tovleditors}/nvim/site/plugin/tovl_lsp.lua
  COPYONLY)
# Kate's settings for tovl-lsp, which its users add to their own settings file: Kate has no
# folder that packages can add servers to. They name the syntax's mode.
file(STRINGS editors/kate/tovl.xml.in tovlkatelanguage REGEX "<language name=\"[^\"]+\"")
string(REGEX MATCH "name=\"([^\"]+)\"" matched "${tovlkatelanguage}")
set(TOVL_KATE_MODE ${CMAKE_MATCH_1})
configure_file(editors/kate/lspclient.json.in ${tovleditors}/tovl/kate-lspclient.json @ONLY)
install(DIRECTORY ${tovleditors}/ DESTINATION ${CMAKE_INSTALL_DATADIR})

# The Debian package, built with `cpack -G DEB` in the build folder (or `make deb`). Depends is
# worked out by dpkg-shlibdeps from the libraries the executables link, the Qt 6 ones included.
# The packages' own triggers refresh the icon, desktop and MIME caches, so no maintainer scripts.
# The maintainer is TOVL_PACKAGE_MAINTAINER when given, and otherwise found as
# cmake/maintainer.cmake says, at each configure. Build folders configured before kept an old
# placeholder address in the cache, which is dropped.
include(${CMAKE_CURRENT_LIST_DIR}/maintainer.cmake)
if(TOVL_PACKAGE_MAINTAINER STREQUAL "TOVL developers <tovl@example.org>")
  unset(TOVL_PACKAGE_MAINTAINER CACHE)
endif()
set(TOVL_PACKAGE_MAINTAINER "" CACHE STRING
  "Maintainer field of the Debian package, \"Name <address>\"; empty to find it")
set(tovlmaintainer "${TOVL_PACKAGE_MAINTAINER}")
if(tovlmaintainer STREQUAL "")
  tovl_package_maintainer(tovlmaintainer)
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tovl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interpreter for line-oriented TOVL scripts")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${tovlmaintainer})
set(CPACK_DEBIAN_PACKAGE_SECTION interpreters)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The summary above is the description's first line; this is the rest.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
TOVL runs scripts in which each line that does something starts with a
five-letter keyword followed by its operands in fixed-width columns. A script
is UTF-8 text with LF line ends, as Linux editors save it; older scripts in
Windows-1252 or with CR LF line ends run unchanged. Scripts print text, ask
for input, compute with numbered variables, branch and jump, run programs and
work on files.

tovl runs a script in its own window and opens *.tovl files from the desktop;
tovl-console runs one in a terminal and can rehearse what it would launch.
tovl-lsp is the language server that shows editors what tovl-console --check
finds in a script as it is typed, with fixes, hovers and where each jump
lands; Neovim starts it through the plugin included, Kate with the settings
included. Vim, Neovim and Kate highlight scripts with the syntax files
included.")
include(CPack)
