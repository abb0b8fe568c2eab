# What `cmake --install` puts under the prefix, by GNUInstallDirs:
#   ${CMAKE_INSTALL_LIBDIR}/libquillon.so.1 (and libquillon.a with QUILLON_STATIC)
#   ${CMAKE_INSTALL_INCLUDEDIR}/quillon.h and quillon_movie.h
#   ${CMAKE_INSTALL_LIBDIR}/pkgconfig/quillon.pc
#   ${CMAKE_INSTALL_LIBDIR}/cmake/quillon/ (find_package(quillon CONFIG): quillon::quillon)
#   ${CMAKE_INSTALL_DOCDIR}/LICENSE
include(CMakePackageConfigHelpers)

set(QUILLON_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/quillon)
set(QUILLON_INSTALLED_TARGETS quillon)

if(QUILLON_STATIC)
  # libquillon.a holds a single object: the model linked into one (ld -r),
  # in which every symbol but the exports of src/api/exports.map is made
  # local. A host linking it statically sees the same names (the 27 and the
  # quillon_movie_* functions) as one linking libquillon.so, and nothing of the library can clash with its own symbols.
  quillon_require(CMAKE_OBJCOPY "objcopy" "binutils" QUILLON_STATIC)
  file(READ ${PROJECT_SOURCE_DIR}/src/api/exports.map map)
  string(REGEX MATCH "global:(.*)local:" map "${map}")
  string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*" exports "${CMAKE_MATCH_1}")
  string(REPLACE ";" "\n" exports "${exports}")
  set(exports_file ${CMAKE_CURRENT_BINARY_DIR}/quillon_exports.txt)
  file(WRITE ${exports_file} "${exports}\n")

  # GCC gives the static locals of inline functions (some of libstdc++'s
  # among them) the binding STB_GNU_UNIQUE, which objcopy cannot make local;
  # as plain weak symbols they are localized like the rest.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(quillon_objects PRIVATE -fno-gnu-unique)
  endif()

  set(merged ${CMAKE_CURRENT_BINARY_DIR}/quillon_static.o)
  add_custom_command(OUTPUT ${merged}
    COMMAND ${CMAKE_LINKER} -r -o ${merged} $<TARGET_OBJECTS:quillon_objects>
    COMMAND ${CMAKE_OBJCOPY} --keep-global-symbols=${exports_file} ${merged}
    DEPENDS $<TARGET_OBJECTS:quillon_objects> ${PROJECT_SOURCE_DIR}/src/api/exports.map
    COMMAND_EXPAND_LISTS VERBATIM
    COMMENT "Linking the library into one object for libquillon.a")
  # An empty C++ source beside the object makes CMake record the archive as
  # C++, so that a C program linking quillon::quillon_static gets the C++
  # runtime too.
  set(language_source ${CMAKE_CURRENT_BINARY_DIR}/quillon_static_cxx.cpp)
  file(WRITE ${language_source} "// libquillon.a is C++: its hosts link the C++ runtime.\n")
  add_library(quillon_static STATIC ${merged} ${language_source})
  add_dependencies(quillon_static quillon_objects)
  set_target_properties(quillon_static PROPERTIES
    OUTPUT_NAME quillon
    EXPORT_NAME quillon_static)
  target_include_directories(quillon_static INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  target_link_libraries(quillon_static INTERFACE ZLIB::ZLIB m)
  add_library(quillon::quillon_static ALIAS quillon_static)
  list(APPEND QUILLON_INSTALLED_TARGETS quillon_static)
endif()

install(TARGETS ${QUILLON_INSTALLED_TARGETS} EXPORT quillonTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/quillon.h ${PROJECT_SOURCE_DIR}/include/quillon_movie.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The CMake package, relocatable: its files find the prefix from their own
# place.
install(EXPORT quillonTargets NAMESPACE quillon:: DESTINATION ${QUILLON_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/quillonConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/quillonConfig.cmake INSTALL_DESTINATION ${QUILLON_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/quillonConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quillonConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/quillonConfigVersion.cmake DESTINATION ${QUILLON_CMAKE_DIR})

# quillon.pc, relocatable too: the prefix is found from ${pcfiledir}.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(QUILLON_PC_PREFIX ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH up /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
  string(REGEX REPLACE "/$" "" up "${up}")
  set(QUILLON_PC_PREFIX "\${pcfiledir}/${up}")
endif()
cmake_path(APPEND QUILLON_PC_LIBDIR "\${prefix}" "${CMAKE_INSTALL_LIBDIR}")
cmake_path(APPEND QUILLON_PC_INCLUDEDIR "\${prefix}" "${CMAKE_INSTALL_INCLUDEDIR}")
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
  set(QUILLON_PC_LIBDIR ${CMAKE_INSTALL_LIBDIR})
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(QUILLON_PC_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR})
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/quillon.pc.in ${CMAKE_CURRENT_BINARY_DIR}/quillon.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/quillon.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
