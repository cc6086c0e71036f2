# The last steps of an installation, once every program is in place: the
# link to the system's splitting engine beside the programs, and the setting
# by which the finder locates the installation folder (written for the
# installing user only; the finder of any other user finds the programs
# beside itself).
find_program(LUMO_MP3SPLT mp3splt)
if(LUMO_MP3SPLT)
  install(CODE "file(CREATE_LINK \"${LUMO_MP3SPLT}\" \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/mp3splt\" SYMBOLIC)")
endif()
install(CODE [[
  if(NOT DEFINED ENV{DESTDIR} OR "$ENV{DESTDIR}" STREQUAL "")
    execute_process(
      COMMAND "${CMAKE_INSTALL_PREFIX}/lumoreg" set Zivuvu Default Path "${CMAKE_INSTALL_PREFIX}"
      RESULT_VARIABLE lumo_result)
    if(NOT lumo_result EQUAL 0)
      message(FATAL_ERROR "Could not write Zivuvu\\Default\\Path")
    endif()
    message(STATUS "Zivuvu\\Default\\Path = ${CMAKE_INSTALL_PREFIX}")
  endif()
]])
