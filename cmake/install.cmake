# Installation, as `make install` and the Debian package (debian/) do it: the executables, manual
# pages, README, language guide and examples, icons, desktop entry, the MIME type that opens
# *.tovl scripts in the window, the software centres' description, and the editors' files.
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
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/org.tovl.tovl.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

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
