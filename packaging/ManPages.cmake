# Manual pages korvul(1), korvul-read(1) and devsim(1), made with help2man from each program's --help
# and --version output (which need no display), so the pages never drift from the programs. Without
# help2man the build goes on without them.
# A sanitizer build makes none: its programs may report at exit and are never packaged.
if(KORVUL_SANITIZE)
  return()
endif()
find_program(KORVUL_HELP2MAN help2man)
find_program(KORVUL_GZIP gzip)
if(NOT KORVUL_HELP2MAN OR NOT KORVUL_GZIP)
  message(STATUS "help2man or gzip not found: no manual pages (scripts/setup installs help2man)")
  return()
endif()

set(man_korvul_name "read out and configure metering field devices over a serial line")
set(man_korvul_include korvul.h2m)
set(man_korvul_component program)
set(man_korvul-read_name "read metering field devices without a window")
set(man_korvul-read_include korvul.h2m)
set(man_korvul-read_component program)
set(man_devsim_name "simulate a metering field device on a pseudo-terminal or serial port")
set(man_devsim_include devsim.h2m)
set(man_devsim_component devsim)

set(man_outputs)
foreach(program korvul korvul-read devsim)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
  set(include ${CMAKE_CURRENT_SOURCE_DIR}/${man_${program}_include})
  # No display and no platform: the page must come out of a build machine without one.
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
            ${KORVUL_HELP2MAN} --no-info --section=1 --name=${man_${program}_name}
            --include=${include} --output=${page} $<TARGET_FILE:${program}>
    COMMAND ${KORVUL_GZIP} -9nf ${page}
    DEPENDS ${program} ${include}
    COMMENT "Manual page ${program}(1)"
    VERBATIM)
  list(APPEND man_outputs ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${man_${program}_component})
endforeach()
add_custom_target(korvul_man ALL DEPENDS ${man_outputs})
