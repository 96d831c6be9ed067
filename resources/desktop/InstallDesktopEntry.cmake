# Writes the desktop entry and the session bus's service file with the
# installed program's full path, at install time, so that the prefix given
# to `cmake --install` is the one they name.
#
# The entry is activated over D-Bus; a launcher that does not do that runs
# an action's Exec, which asks the app for the same action over the bus
# (starting it through the service file when it is not running): the
# program itself takes no options.
set(program "${CMAKE_INSTALL_PREFIX}/bin/brivet")
set(action_exec "gdbus call --session --dest com.brivet.Brivet --object-path /com/brivet/Brivet --method org.freedesktop.Application.ActivateAction")

set(destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/applications")
file(READ "${BRIVET_DESKTOP_TEMPLATE}" entry)
string(REPLACE "@BRIVET_EXEC@" "${program}" entry "${entry}")
string(REPLACE "@BRIVET_ACTION_EXEC@" "${action_exec}" entry "${entry}")
file(MAKE_DIRECTORY "${destination}")
message(STATUS "Installing: ${destination}/com.brivet.Brivet.desktop")
file(WRITE "${destination}/com.brivet.Brivet.desktop" "${entry}")

set(destination "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/share/dbus-1/services")
file(READ "${BRIVET_SERVICE_TEMPLATE}" service)
string(REPLACE "@BRIVET_EXEC@" "${program}" service "${service}")
file(MAKE_DIRECTORY "${destination}")
message(STATUS "Installing: ${destination}/com.brivet.Brivet.service")
file(WRITE "${destination}/com.brivet.Brivet.service" "${service}")
