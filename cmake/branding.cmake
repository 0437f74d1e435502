# Checks the naming variables and writes them into branding.h for the
# resource script and the sample package.

# The texts go into a resource script, a WiX source and a registry key as
# they are; characters that would need escaping there are refused.
foreach(variable SETUP_VENDOR_NAME SETUP_PRODUCT_NAME SETUP_PACKAGE_NAME SETUP_COMPANY_NAME
                 SETUP_FILE_DESCRIPTION)
  set(text "${${variable}}")
  if(text STREQUAL "")
    message(FATAL_ERROR "${variable} is empty")
  endif()
  # A semicolon would split the text where CMake passes it on as a list.
  if(NOT text MATCHES "^[ -~]+$" OR text MATCHES "[\"\\\\&<>;]")
    message(FATAL_ERROR "${variable} \"${text}\": use printable ASCII without \" \\ & < > ;")
  endif()
endforeach()
# Windows file names: the package name becomes part of two of them.
if(NOT SETUP_PACKAGE_NAME MATCHES "^[A-Za-z0-9._-]+$")
  message(FATAL_ERROR "SETUP_PACKAGE_NAME \"${SETUP_PACKAGE_NAME}\": use letters, digits, . _ -")
endif()
# A registry key name has no empty components, so the vendor holds no backslash
# (refused above) and neither text may end in spaces that Windows would keep.
foreach(variable SETUP_VENDOR_NAME SETUP_PRODUCT_NAME)
  if("${${variable}}" MATCHES "^ | $")
    message(FATAL_ERROR "${variable} begins or ends with a space")
  endif()
endforeach()

if(NOT SETUP_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "SETUP_VERSION \"${SETUP_VERSION}\": four numbers, such as 2.4.0.2")
endif()
set(SETUP_VERSION_NUMBERS "")
foreach(part 1 2 3 4)
  if(CMAKE_MATCH_${part} GREATER 65535)
    message(FATAL_ERROR "SETUP_VERSION \"${SETUP_VERSION}\": each number is at most 65535")
  endif()
  list(APPEND SETUP_VERSION_NUMBERS ${CMAKE_MATCH_${part}})
endforeach()
list(JOIN SETUP_VERSION_NUMBERS ", " SETUP_VERSION_NUMBERS)

set(SETUP_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
set(SETUP_BRANDING_HEADER ${SETUP_GENERATED_DIR}/branding.h)
configure_file(${PROJECT_SOURCE_DIR}/res/branding.h.in ${SETUP_BRANDING_HEADER} @ONLY)
