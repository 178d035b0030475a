# Imported targets for the picture-decoding libraries:
#
#   Kestro::jpeg   libjpeg API (jpeglib.h), libjpeg-turbo
#   Kestro::gif    giflib (gif_lib.h)
#   Kestro::png    libpng 1.6 (png.h), links ZLIB::ZLIB
#   Kestro::tiff   libtiff (tiffio.h), links Kestro::jpeg and ZLIB::ZLIB
#
# Windows cross builds link the static libraries that scripts/build-windows-deps.sh builds into
# ${KESTRO_DEPS_DIR}/<arch>-w64-mingw32/{include,lib}, with the static mingw zlib from
# /usr/<arch>-w64-mingw32/lib/libz.a. Other systems use the system's -dev packages.
#
# Cache variables:
#   KESTRO_DEPS_DIR   folder holding <arch>-w64-mingw32/ (default: $ENV{KESTRO_DEPS_DIR}, else
#                     <repo>/build/deps, the script's default)
#   KESTRO_DEPS_ARCH  x86_64 or i686; empty: taken from the target (CMAKE_SYSTEM_PROCESSOR, the
#                     compiler's triplet, or the pointer size)

include_guard(DIRECTORY)

get_filename_component(_kestro_repo_dir "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(_kestro_deps_script "${_kestro_repo_dir}/scripts/build-windows-deps.sh")

function(_kestro_mingw_arch out_var)
  if(KESTRO_DEPS_ARCH)
    if(NOT KESTRO_DEPS_ARCH MATCHES "^(x86_64|i686)$")
      message(FATAL_ERROR "KESTRO_DEPS_ARCH is '${KESTRO_DEPS_ARCH}'; expected x86_64 or i686")
    endif()
    set(${out_var} "${KESTRO_DEPS_ARCH}" PARENT_SCOPE)
    return()
  endif()
  string(TOLOWER "${CMAKE_SYSTEM_PROCESSOR}" processor)
  if(processor MATCHES "^(x86_64|amd64|x64)$")
    set(${out_var} x86_64 PARENT_SCOPE)
    return()
  elseif(processor MATCHES "^(i[3-6]86|x86)$")
    set(${out_var} i686 PARENT_SCOPE)
    return()
  endif()
  foreach(compiler IN ITEMS "${CMAKE_CXX_COMPILER}" "${CMAKE_C_COMPILER}")
    get_filename_component(name "${compiler}" NAME)
    if(name MATCHES "^(x86_64|i686)-w64-mingw32")
      set(${out_var} "${CMAKE_MATCH_1}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(${out_var} x86_64 PARENT_SCOPE)
  elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(${out_var} i686 PARENT_SCOPE)
  else()
    message(FATAL_ERROR
      "Cannot tell the Windows target architecture (CMAKE_SYSTEM_PROCESSOR is "
      "'${CMAKE_SYSTEM_PROCESSOR}'); set KESTRO_DEPS_ARCH to x86_64 or i686.")
  endif()
endfunction()

# add_library(... STATIC IMPORTED) for one library file of the prefix.
function(_kestro_static_lib target file include_dir)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "${file} is missing. Rebuild it with: ${_kestro_deps_script} ${_kestro_arch}")
  endif()
  add_library(${target} STATIC IMPORTED)
  set_target_properties(${target} PROPERTIES
    IMPORTED_LOCATION "${file}"
    INTERFACE_INCLUDE_DIRECTORIES "${include_dir}"
    INTERFACE_LINK_LIBRARIES "${ARGN}")
endfunction()

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  if(DEFINED ENV{KESTRO_DEPS_DIR} AND NOT "$ENV{KESTRO_DEPS_DIR}" STREQUAL "")
    set(_kestro_default_deps_dir "$ENV{KESTRO_DEPS_DIR}")
  else()
    set(_kestro_default_deps_dir "${_kestro_repo_dir}/build/deps")
  endif()
  set(KESTRO_DEPS_DIR "${_kestro_default_deps_dir}" CACHE PATH
    "Folder holding <arch>-w64-mingw32/ built by scripts/build-windows-deps.sh")
  set(KESTRO_DEPS_ARCH "" CACHE STRING "x86_64 or i686; empty: taken from the target")

  _kestro_mingw_arch(_kestro_arch)
  set(_kestro_triplet "${_kestro_arch}-w64-mingw32")
  get_filename_component(_kestro_prefix "${KESTRO_DEPS_DIR}/${_kestro_triplet}" ABSOLUTE)
  set(_kestro_stamp "${_kestro_prefix}/kestro-deps.stamp")

  if(NOT EXISTS "${_kestro_stamp}")
    message(FATAL_ERROR
      "The Windows picture libraries for ${_kestro_triplet} are not built "
      "(no ${_kestro_stamp}).\n"
      "Build them with:\n  ${_kestro_deps_script} ${_kestro_arch}\n"
      "or point KESTRO_DEPS_DIR at the folder that holds ${_kestro_triplet}/.")
  endif()
  # The stamp carries the hash of the script that built the prefix; a changed script means
  # changed versions or flags, so the prefix has to be rebuilt first.
  if(EXISTS "${_kestro_deps_script}")
    file(STRINGS "${_kestro_stamp}" _kestro_recipe REGEX "^recipe=")
    file(SHA256 "${_kestro_deps_script}" _kestro_script_hash)
    if(NOT _kestro_recipe STREQUAL "recipe=${_kestro_script_hash}")
      message(FATAL_ERROR
        "The Windows picture libraries in ${_kestro_prefix} were built by another version of "
        "build-windows-deps.sh.\nRebuild them with:\n  ${_kestro_deps_script} ${_kestro_arch}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_kestro_deps_script}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${_kestro_stamp}")

  # zlib: the static library of Debian's libz-mingw-w64-dev, never its DLL import library.
  if(NOT TARGET ZLIB::ZLIB)
    if(NOT ZLIB_LIBRARY)
      find_library(KESTRO_MINGW_ZLIB_LIBRARY NAMES libz.a
        PATHS "/usr/${_kestro_triplet}/lib" "/usr/${_kestro_triplet}/sys-root/mingw/lib"
        NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
      if(NOT KESTRO_MINGW_ZLIB_LIBRARY)
        message(FATAL_ERROR
          "No static zlib for ${_kestro_triplet} (/usr/${_kestro_triplet}/lib/libz.a). "
          "Install libz-mingw-w64-dev, or run ${_kestro_deps_script} ${_kestro_arch}, which does.")
      endif()
      get_filename_component(_kestro_zlib_dir "${KESTRO_MINGW_ZLIB_LIBRARY}" DIRECTORY)
      get_filename_component(_kestro_zlib_include "${_kestro_zlib_dir}/../include" ABSOLUTE)
      set(ZLIB_LIBRARY "${KESTRO_MINGW_ZLIB_LIBRARY}" CACHE FILEPATH "zlib library")
      set(ZLIB_INCLUDE_DIR "${_kestro_zlib_include}" CACHE PATH "zlib include folder")
    endif()
    find_package(ZLIB REQUIRED)
  endif()
  if(ZLIB_LIBRARY MATCHES "\\.dll\\.a$")
    message(WARNING "ZLIB_LIBRARY is a DLL import library (${ZLIB_LIBRARY}); the program will "
      "need zlib1.dll. Use /usr/${_kestro_triplet}/lib/libz.a for a static build.")
  endif()

  set(_kestro_include "${_kestro_prefix}/include")
  set(_kestro_lib "${_kestro_prefix}/lib")
  _kestro_static_lib(Kestro::jpeg "${_kestro_lib}/libjpeg.a" "${_kestro_include}")
  _kestro_static_lib(Kestro::gif "${_kestro_lib}/libgif.a" "${_kestro_include}")
  _kestro_static_lib(Kestro::png "${_kestro_lib}/libpng16.a" "${_kestro_include}" ZLIB::ZLIB)
  _kestro_static_lib(Kestro::tiff "${_kestro_lib}/libtiff.a" "${_kestro_include}"
    Kestro::jpeg ZLIB::ZLIB)
  message(STATUS "Picture libraries: ${_kestro_prefix}")
else()
  find_package(JPEG REQUIRED)  # libjpeg62-turbo-dev
  find_package(GIF REQUIRED)   # libgif-dev
  find_package(PNG REQUIRED)   # libpng-dev
  find_package(TIFF REQUIRED)  # libtiff-dev
  foreach(_kestro_pair IN ITEMS "jpeg;JPEG::JPEG" "gif;GIF::GIF" "png;PNG::PNG" "tiff;TIFF::TIFF")
    list(GET _kestro_pair 0 _kestro_name)
    list(GET _kestro_pair 1 _kestro_system_target)
    if(NOT TARGET ${_kestro_system_target})
      message(FATAL_ERROR "find_package did not define ${_kestro_system_target}")
    endif()
    add_library(Kestro::${_kestro_name} INTERFACE IMPORTED)
    set_target_properties(Kestro::${_kestro_name} PROPERTIES
      INTERFACE_LINK_LIBRARIES ${_kestro_system_target})
  endforeach()
endif()
