# Header-only libraries for a cross build. Their Debian packages install
# into /usr/include, which a MinGW build must never search (glibc's headers
# would shadow MinGW's), so each library's own folder is linked into a
# folder of the build that holds nothing else, and an imported target of
# the name its CMake package gives points there.
set(tarvo_header_only "${PROJECT_BINARY_DIR}/header-only")
file(MAKE_DIRECTORY "${tarvo_header_only}")

function(tarvo_header_only_library target folder)
  if(TARGET ${target})
    return()
  endif()
  if(NOT IS_DIRECTORY "/usr/include/${folder}")
    message(FATAL_ERROR "/usr/include/${folder} is missing: run scripts/setup")
  endif()
  file(CREATE_LINK "/usr/include/${folder}" "${tarvo_header_only}/${folder}" SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${tarvo_header_only}")
endfunction()

tarvo_header_only_library(CLI11::CLI11 CLI)
tarvo_header_only_library(nlohmann_json::nlohmann_json nlohmann)
