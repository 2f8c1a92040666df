# SPDX-License-Identifier: GPL-3.0-or-later
# Runs at install time: writes the desktop entry TIPVAULT_ENTRY_OUT from
# TIPVAULT_ENTRY_IN with Exec= starting TIPVAULT_EXEC.
#
# A bare name stays as it is. A path is quoted, the characters a quoted
# argument escapes (" ` $ \) get a backslash, and every backslash is doubled
# again for the key's string value: /a b/x"y -> "/a b/x\\"y".
if(TIPVAULT_EXEC MATCHES "/")
  string(REPLACE "\\" "\\\\\\\\" exec "${TIPVAULT_EXEC}")
  string(REPLACE "\"" "\\\\\"" exec "${exec}")
  string(REPLACE "`" "\\\\`" exec "${exec}")
  string(REPLACE "$" "\\\\$" exec "${exec}")
  set(TIPVAULT_EXEC "\"${exec}\"")
endif()
message(STATUS "Installing: ${TIPVAULT_ENTRY_OUT}")
configure_file("${TIPVAULT_ENTRY_IN}" "${TIPVAULT_ENTRY_OUT}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${TIPVAULT_ENTRY_OUT}")
