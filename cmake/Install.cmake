# Install rules: the headers of the engine's subsystems under include/ie/ (the
# include path of the installed target), the libraries of IE_LIBRARIES, the
# runner, a CMake package (find_package(InferenceEngine) gives the target
# InferenceEngine::engine) and a pkg-config file (inferenceengine.pc).
# Included by the top-level CMakeLists.txt after the targets are defined.
include(CMakePackageConfigHelpers)

# The subsystems whose headers make up the engine's API; none includes Qt.
set(IE_HEADER_DIRS ${IE_LIBRARY_LAYERS})
foreach(dir IN LISTS IE_HEADER_DIRS)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/${dir}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ie
          FILES_MATCHING PATTERN "*.h")
endforeach()

install(TARGETS ${IE_LIBRARIES} ie_embed EXPORT InferenceEngineTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(TARGET ie)
  install(TARGETS ie RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(IE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/InferenceEngine)
install(EXPORT InferenceEngineTargets NAMESPACE InferenceEngine:: DESTINATION ${IE_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/InferenceEngineConfig.cmake.in
  ${PROJECT_BINARY_DIR}/InferenceEngineConfig.cmake INSTALL_DESTINATION ${IE_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/InferenceEngineConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/InferenceEngineConfig.cmake
              ${PROJECT_BINARY_DIR}/InferenceEngineConfigVersion.cmake
        DESTINATION ${IE_CMAKE_DIR})

# pkg-config: the prefix is found relative to the .pc file, so the file stays
# right for `cmake --install --prefix P`; the libraries are listed highest
# first, as a static link needs them.
file(RELATIVE_PATH IE_PC_TO_PREFIX "/p/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/p")
string(REGEX REPLACE "/$" "" IE_PC_TO_PREFIX "${IE_PC_TO_PREFIX}")
set(IE_PC_LIBS "")
set(IE_PC_ORDER ${IE_LIBRARIES})
list(REVERSE IE_PC_ORDER)
foreach(lib IN LISTS IE_PC_ORDER)
  get_target_property(lib_type ${lib} TYPE)
  if(NOT lib_type STREQUAL "INTERFACE_LIBRARY")
    string(APPEND IE_PC_LIBS " -l${lib}")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/inferenceengine.pc.in
  ${PROJECT_BINARY_DIR}/inferenceengine.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/inferenceengine.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
