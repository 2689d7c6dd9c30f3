# Installs the libraries, the tool and the public headers into include/ZrAddrRes,
# with a CMake package (ZrAddrRes::ZrAddrRes) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(ZR_INCLUDE_DEST ${CMAKE_INSTALL_INCLUDEDIR}/ZrAddrRes)

install(TARGETS ZrAddrRes ZrLogging VdOem EXPORT ZrAddrResTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${ZR_INCLUDE_DEST})
install(TARGETS zraddrres RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The three public headers sit at the top; what they include keeps its folder.
install(FILES resolver/ZrAddrResolution.h resolver/ZrAddrResDiagnostics.h lookup/ThreadChecker.h
        DESTINATION ${ZR_INCLUDE_DEST})
install(FILES store/RegMgr.h DESTINATION ${ZR_INCLUDE_DEST})
install(FILES portmon/RegKeyHolder.h DESTINATION ${ZR_INCLUDE_DEST}/portmon)
install(FILES resolver/ZrAddrResExport.h DESTINATION ${ZR_INCLUDE_DEST}/resolver)
install(FILES framework/CString.h framework/CStringList.h framework/FrameworkExport.h
  DESTINATION ${ZR_INCLUDE_DEST}/framework)
install(FILES platform/Types.h platform/Export.h platform/Threads.h platform/Registry.h
  DESTINATION ${ZR_INCLUDE_DEST}/platform)
if(WIN32)
  install(FILES platform/win32/WindowsApi.h DESTINATION ${ZR_INCLUDE_DEST}/platform/win32)
else()
  install(FILES platform/posix/Win32Types.h DESTINATION ${ZR_INCLUDE_DEST}/platform/posix)
endif()

install(EXPORT ZrAddrResTargets NAMESPACE ZrAddrRes:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZrAddrRes)
configure_package_config_file(cmake/ZrAddrResConfig.cmake.in ${CMAKE_BINARY_DIR}/ZrAddrResConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZrAddrRes)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/ZrAddrResConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/ZrAddrResConfig.cmake ${CMAKE_BINARY_DIR}/ZrAddrResConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/ZrAddrRes)

configure_file(cmake/ZrAddrRes.pc.in ${CMAKE_BINARY_DIR}/ZrAddrRes.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/ZrAddrRes.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
