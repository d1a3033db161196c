# Packages made by cpack: a .deb from the Qt tree; an installer (NSIS) and a portable zip from
# the Windows tree. scripts/package.sh makes all three into dist/.
set(CPACK_PACKAGE_NAME xiuran-timer)
set(CPACK_PACKAGE_VENDOR "the 岫然计时器 developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Count-up and countdown timer with large digits")
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/xiuran/xiuran-timer)
set(CPACK_PACKAGE_CONTACT "${XR_MAINTAINER}")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # One static program, its licence, and the notices of the runtime code linked into it.
  install(TARGETS xiuran-timer RUNTIME DESTINATION .)
  # Windows' own tools (Notepad before 2018, type, the installer's licence page) read text as
  # CRLF lines, and UTF-8 only with a byte-order mark.
  string(ASCII 239 187 191 xr_bom)
  foreach(text LICENSE resources/THIRD-PARTY-NOTICES.txt)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${text})
    file(READ ${PROJECT_SOURCE_DIR}/${text} xr_text)
    string(REPLACE "\r\n" "\n" xr_text "${xr_text}")
    string(REPLACE "\n" "\r\n" xr_text "${xr_text}")
    string(REGEX MATCH "[^\t\r\n -~]" xr_wide "${xr_text}")
    get_filename_component(xr_name ${text} NAME_WE)
    set(xr_file ${PROJECT_BINARY_DIR}/nsis/${xr_name}.txt)
    if(xr_wide STREQUAL "")
      file(WRITE ${xr_file} "${xr_text}")
    else()
      file(WRITE ${xr_file} "${xr_bom}${xr_text}")
    endif()
    install(FILES ${xr_file} DESTINATION .)
  endforeach()
  set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_BINARY_DIR}/nsis/LICENSE.txt)
  set(CPACK_GENERATOR NSIS ZIP)
  set(CPACK_SYSTEM_NAME win64)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY XiuranTimer)
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY XiuranTimer)
  # Per user, without administrator rights: cmake/nsis/NSIS.template.in installs under the
  # user's own program folder and registers the uninstaller in the user's hive.
  list(PREPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/nsis)
  set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\\\Programs")
  set(CPACK_NSIS_DISPLAY_NAME "岫然计时器")
  set(CPACK_NSIS_PACKAGE_NAME "岫然计时器")
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/resources/icons/app.ico)
  set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/resources/icons/app.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME xiuran-timer.exe)
  set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
  set(CPACK_NSIS_UNINSTALL_NAME Uninstall)
  set(CPACK_NSIS_COMPRESSOR "/SOLID lzma")
  # The four numbers of the installer's version resource.
  set(xr_version4)
  foreach(part MAJOR MINOR PATCH TWEAK)
    if(PROJECT_VERSION_${part} STREQUAL "")
      list(APPEND xr_version4 0)
    else()
      list(APPEND xr_version4 ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  list(JOIN xr_version4 . CPACK_NSIS_VERSION4)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${XR_MAINTAINER}")
  # The summary above is the synopsis line; this is the text under it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "岫然计时器 shows minutes and seconds in very large digits and scales them with\n"
      "its window, so that a maximised window fills the screen with the clock. In a\n"
      "countdown the digits turn red and a cue sounds when three seconds are left.")
  string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
  # The libraries the program and its sound module link (Qt, libxcb, libpulse), from
  # dpkg-shlibdeps ...
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # ... and what no linker sees: the Chinese faces the program asks for by name (boxes without
  # them).
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-arphic-uming, fonts-arphic-ukai")
  # The cue plays through a PulseAudio-compatible server; silent without one, and said so. Qt's
  # own words (the message box's button) are Chinese with Qt's translations, English without.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
  # With no X server at all the program runs on Wayland, through Qt's plugin for it.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS qt6-wayland)
  # Stripped as Debian strips: the compiler's notes and comments go too. (A sanitized tree has no
  # program to package.)
  if(TARGET xiuran-timer)
    find_program(XR_OBJCOPY NAMES objcopy REQUIRED)
    install(CODE "
      if(CMAKE_INSTALL_DO_STRIP)
        foreach(file \"${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:xiuran-timer>\"
                     \"${CMAKE_INSTALL_LIBEXECDIR}/xiuran-timer/$<TARGET_FILE_NAME:xiuran-timer-sound>\")
          execute_process(COMMAND \"${XR_OBJCOPY}\" --remove-section=.comment --remove-section=.note
                                  \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${file}\"
                          COMMAND_ERROR_IS_FATAL ANY)
        endforeach()
      endif()")
  endif()
endif()

include(CPack)
