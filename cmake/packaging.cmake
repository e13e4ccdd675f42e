# The Debian package that `make package` builds with CPack: the installed layout under /usr
# (bin/orvantis, share/orvantis with the interface string file and the manual, the desktop
# entry, the icons and the manual page), stripped, with its dependencies named.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvantis)
set(CPACK_PACKAGE_VENDOR "Orvantis")
set(CPACK_PACKAGE_CONTACT "Orvantis developers <orvantis@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "engine geometry, cam, flow-bench airflow, torque and power calculations")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Engine geometry, cam, flow-bench airflow, torque and power calculations
 Orvantis is a desktop engineering tool for piston-engine builders. From the
 typed geometry and operating targets of one engine, two measured cam lobes and
 flow-bench airflow, it computes cylinder and engine geometry, piston motion,
 balance factors, flow demand against valve airflow, torque and power, and
 port, throat and exhaust sizes. It reads the files of cam-measuring machines
 and flow benches and writes engine files, reports and graphs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# The shared libraries the program links are found by dpkg-shlibdeps (package dpkg-dev); where
# it is missing they are named here. The window's platform plugins are loaded, not linked, so
# they are always named.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
find_program(ORVANTIS_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(ORVANTIS_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS
         ", libc6, libstdc++6, libgcc-s1, libmdb3, libsqlite3-0, libglib2.0-0")
endif()
# The manual is opened with the desktop's own PDF viewer.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

include(CPack)
