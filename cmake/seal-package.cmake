# Writes the source that seals the launcher to a package folder: the name,
# size and SHA-256 of each of its MSIs (<package name>*.msi) and cabinets
# (*.cab), which a sealed launcher checks its staged copies against. With no
# folder, the launcher is not sealed.
# Usage: cmake -DFOLDER=<folder or empty> -DPACKAGE_NAME=<name> -DOUTPUT=<file>
#              -P seal-package.cmake
# The output is rewritten only when it changes, so that a build with the
# same package compiles nothing again.

set(text "// Written by cmake/seal-package.cmake: the package this launcher runs.\n")
string(APPEND text "#include \"staging/seal.h\"\n\n")
if(FOLDER STREQUAL "")
  string(APPEND text "const bool g_packageSealed = false;\n"
                     "const FileSeal g_sealedFiles[1] = {};\n"
                     "const size_t g_sealedFileCount = 0;\n")
else()
  if(NOT IS_DIRECTORY "${FOLDER}")
    message(FATAL_ERROR "SETUP_SEAL_PACKAGE \"${FOLDER}\" is no folder")
  endif()
  string(TOLOWER "${PACKAGE_NAME}" package)
  string(LENGTH "${package}" length)
  file(GLOB files LIST_DIRECTORIES false "${FOLDER}/*")
  list(SORT files)
  set(entries "")
  set(msis 0)
  foreach(file ${files})
    get_filename_component(name "${file}" NAME)
    string(TOLOWER "${name}" lower)
    string(SUBSTRING "${lower}" 0 ${length} start)
    # As Windows names them: without regard to case.
    if(lower MATCHES "\\.cab$" OR (start STREQUAL package AND lower MATCHES "\\.msi$"))
      if(NOT name MATCHES "^[ -~]+$" OR name MATCHES "[\"\\\\]")
        message(FATAL_ERROR "${file}: only printable ASCII names without \" or \\ can be sealed")
      endif()
      if(lower MATCHES "\\.msi$")
        math(EXPR msis "${msis} + 1")
      endif()
      file(SIZE "${file}" size)
      file(SHA256 "${file}" hash)
      string(REGEX REPLACE "(..)" "0x\\1, " bytes "${hash}")
      string(REGEX REPLACE ", $" "" bytes "${bytes}")
      string(APPEND entries "    {L\"${name}\", ${size}ull, {${bytes}}},\n")
    endif()
  endforeach()
  if(msis EQUAL 0)
    message(FATAL_ERROR "SETUP_SEAL_PACKAGE \"${FOLDER}\" holds no ${PACKAGE_NAME}*.msi")
  endif()
  string(APPEND text "const bool g_packageSealed = true;\n"
                     "const FileSeal g_sealedFiles[] = {\n${entries}};\n"
                     "const size_t g_sealedFileCount = sizeof(g_sealedFiles) / sizeof(g_sealedFiles[0]);\n")
endif()
file(WRITE "${OUTPUT}.new" "${text}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
