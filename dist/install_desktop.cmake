# Runs at install time: puts the menu entry and the icon theme images into the user's data
# directory (XDG_DATA_HOME, else ~/.local/share), with the entry pointing at the installed copy.
# Expects YUBINKO_ICON_DIR, YUBINKO_ICON_SIZES and YUBINKO_DESKTOP_TEMPLATE.
if(DEFINED ENV{XDG_DATA_HOME} AND NOT "$ENV{XDG_DATA_HOME}" STREQUAL "")
  set(data_home "$ENV{XDG_DATA_HOME}")
else()
  set(data_home "$ENV{HOME}/.local/share")
endif()
set(data_home "$ENV{DESTDIR}${data_home}")

set(exe "${CMAKE_INSTALL_PREFIX}/yubinko")
# Exec= arguments with spaces or quotes must be quoted; backslashes and quotes escaped.
string(REPLACE "\\" "\\\\\\\\" exe_arg "${exe}")
string(REPLACE "\"" "\\\\\"" exe_arg "${exe_arg}")
string(REPLACE "$" "\\\\$" exe_arg "${exe_arg}")
string(REPLACE "`" "\\\\`" exe_arg "${exe_arg}")
set(exec "\"${exe_arg}\"")
# The web engine's helper refuses to start for root unless its sandbox is off; the HTML view
# loads no remote content and runs no script, so this only matters for a root desktop.
execute_process(COMMAND id -u OUTPUT_VARIABLE uid OUTPUT_STRIP_TRAILING_WHITESPACE)
if(uid STREQUAL "0")
  set(exec "env QTWEBENGINE_DISABLE_SANDBOX=1 ${exec}")
endif()

file(READ "${YUBINKO_DESKTOP_TEMPLATE}" entry)
string(REPLACE "@EXEC@" "${exec}" entry "${entry}")
set(entry_file "${data_home}/applications/yubinko.desktop")
message(STATUS "Installing: ${entry_file}")
file(MAKE_DIRECTORY "${data_home}/applications")
file(WRITE "${entry_file}" "${entry}")

foreach(size IN LISTS YUBINKO_ICON_SIZES)
  set(dest "${data_home}/icons/hicolor/${size}x${size}/apps")
  file(MAKE_DIRECTORY "${dest}")
  message(STATUS "Installing: ${dest}/yubinko.png")
  file(COPY_FILE "${YUBINKO_ICON_DIR}/yubinko-${size}.png" "${dest}/yubinko.png"
       ONLY_IF_DIFFERENT)
endforeach()

# Menus pick the entry up on their own; refreshing the caches just makes it immediate.
find_program(update_desktop_database update-desktop-database)
if(update_desktop_database AND "$ENV{DESTDIR}" STREQUAL "")
  execute_process(COMMAND "${update_desktop_database}" -q "${data_home}/applications"
                  RESULT_VARIABLE ignored)
endif()
