# SPDX-License-Identifier: GPL-3.0-or-later
# Removes what the sample build and the program put into the Program directory
# (BIN), so that the next build lays the sample out afresh.
file(GLOB laid_out ${BIN}/Sections.dat ${BIN}/CheckVersion.dat ${BIN}/Section_*.dat ${BIN}/*.tvm
     ${BIN}/TIPVAULT.ini)
if(laid_out)
  file(REMOVE ${laid_out})
endif()
