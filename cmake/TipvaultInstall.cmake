# SPDX-License-Identifier: GPL-3.0-or-later
# Where an installation puts Tipvault. One set of rules serves two layouts:
#
#   default  `cmake --install build --prefix P`, relocatable as a whole:
#              P/lib/tipvault/   the Program directory: executable, engines, catalogue
#              P/bin/tipvault    the launcher, a relative symbolic link into it
#              P/share/...       desktop entry, icons, metainfo
#   deb      the Debian package's, installed only by cpack (prefix /):
#              /opt/tipvault/, /usr/bin/tipvault -> /opt/tipvault/tipvault, /usr/share/...
#
# The program finds its folder through the real path of its executable, so a
# link to it starts it on the catalogue beside it.

set(TIPVAULT_LAYOUTS default deb)
set(TIPVAULT_default_PROGRAM_DIR lib/tipvault)
set(TIPVAULT_default_BIN_DIR bin)
set(TIPVAULT_default_DATA_DIR share)
set(TIPVAULT_default_ARGS COMPONENT Tipvault)
set(TIPVAULT_deb_PROGRAM_DIR opt/tipvault)
set(TIPVAULT_deb_BIN_DIR usr/bin)
set(TIPVAULT_deb_DATA_DIR usr/share)
set(TIPVAULT_deb_ARGS COMPONENT deb EXCLUDE_FROM_ALL)

# tipvault_install_program([TARGETS targets...] [FILES files...])
# Into the Program directory of every layout.
function(tipvault_install_program)
  cmake_parse_arguments(I "" "" "TARGETS;FILES" ${ARGN})
  foreach(layout IN LISTS TIPVAULT_LAYOUTS)
    set(dir ${TIPVAULT_${layout}_PROGRAM_DIR})
    if(I_TARGETS)
      install(TARGETS ${I_TARGETS} DESTINATION ${dir} ${TIPVAULT_${layout}_ARGS})
    endif()
    if(I_FILES)
      install(FILES ${I_FILES} DESTINATION ${dir} ${TIPVAULT_${layout}_ARGS})
    endif()
  endforeach()
endfunction()

# tipvault_install_data(<folder under share> files...)
function(tipvault_install_data folder)
  foreach(layout IN LISTS TIPVAULT_LAYOUTS)
    install(FILES ${ARGN} DESTINATION ${TIPVAULT_${layout}_DATA_DIR}/${folder} ${TIPVAULT_${layout}_ARGS})
  endforeach()
endfunction()

# The launcher <bin>/<name>: a symbolic link to the executable <name> in the
# Program directory. Relative in the default layout, which moves as a whole;
# absolute in the package, whose link crosses top folders (/usr -> /opt), as
# Debian wants such links.
function(tipvault_install_launcher name)
  foreach(layout IN LISTS TIPVAULT_LAYOUTS)
    set(bin ${TIPVAULT_${layout}_BIN_DIR})
    set(program ${TIPVAULT_${layout}_PROGRAM_DIR})
    if(layout STREQUAL "deb")
      set(target /${program}/${name})
    else()
      file(RELATIVE_PATH target /${bin} /${program}/${name})
    endif()
    install(CODE "
      set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${bin}/${name}\")
      message(STATUS \"Installing: \${link} -> ${target}\")
      file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${bin}\")
      file(REMOVE \"\${link}\")
      file(CREATE_LINK \"${target}\" \"\${link}\" SYMBOLIC)
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${link}\")
      " ${TIPVAULT_${layout}_ARGS})
  endforeach()
endfunction()
