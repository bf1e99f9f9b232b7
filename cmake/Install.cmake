# Installs the plug-in, its sibling modules and analyser side by side (the
# plug-in finds them through rpath $ORIGIN and its own folder), the public
# headers, a CMake package config and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(ZEB_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/zebplug)
set(ZEB_INSTALLED_LIBRARIES ZEBPlugQuickTimeLibU ZEBSoftCodecSysU ZEBSoftCodecIOU ZEBProxyCodecU
  ZEBPlugH264Dec ZEBPlugDialogsGtk)
foreach(library IN LISTS ZEB_INSTALLED_LIBRARIES)
  if(TARGET ${library})
    install(TARGETS ${library} LIBRARY DESTINATION ${ZEB_INSTALL_LIBDIR})
  endif()
endforeach()
install(TARGETS zebqt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/zebplug DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# A host links nothing: it loads the plug-in by path. The package gives the
# headers and the plug-in's installed location.
add_library(ZEBPlugHeaders INTERFACE)
target_include_directories(ZEBPlugHeaders INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS ZEBPlugHeaders EXPORT ZEBPlugTargets)
install(EXPORT ZEBPlugTargets NAMESPACE ZEBPlug:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZEBPlug)

set(ZEBPLUG_PLUGIN_PATH
  ${CMAKE_INSTALL_PREFIX}/${ZEB_INSTALL_LIBDIR}/libZEBPlugQuickTimeLibU.so)
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/ZEBPlugConfig.cmake.in
  ${CMAKE_BINARY_DIR}/ZEBPlugConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZEBPlug)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ZEBPlugConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ZEBPlugConfig.cmake ${CMAKE_BINARY_DIR}/ZEBPlugConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZEBPlug)

configure_file(${CMAKE_SOURCE_DIR}/cmake/zebplug.pc.in ${CMAKE_BINARY_DIR}/zebplug.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/zebplug.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
