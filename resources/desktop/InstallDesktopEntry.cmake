# Writes the desktop entry with the installed program's full path, at
# install time, so that the prefix given to `cmake --install` is the one
# the entry names.
set(destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications")
file(READ "${BRIVET_DESKTOP_TEMPLATE}" entry)
string(REPLACE "@BRIVET_EXEC@" "${CMAKE_INSTALL_PREFIX}/bin/brivet" entry "${entry}")
file(MAKE_DIRECTORY "${destination}")
message(STATUS "Installing: ${destination}/com.brivet.Brivet.desktop")
file(WRITE "${destination}/com.brivet.Brivet.desktop" "${entry}")
