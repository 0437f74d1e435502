# The release: Setup.exe and the package's MSIs Authenticode-signed (target
# signed, in build/signed), and the distribution medium laid out from them and
# archived (target medium: build/medium, build/medium.zip and its .sha256).
#
# Without a release certificate the files are signed with a throwaway
# self-signed one that the build makes in build/signing, so that the tests
# check the very files that ship; no Windows trusts that signature.

set(SETUP_SIGN_PKCS12 "" CACHE FILEPATH "Release code-signing key and certificates, PKCS#12")
set(SETUP_SIGN_KEY "" CACHE FILEPATH "Release code-signing key (PEM, DER), with SETUP_SIGN_CERT")
set(SETUP_SIGN_CERT "" CACHE FILEPATH "Release code-signing certificates (PEM), with SETUP_SIGN_KEY")
set(SETUP_SIGN_PASSWORD_FILE "" CACHE FILEPATH
    "File whose first line is the password of SETUP_SIGN_PKCS12 or SETUP_SIGN_KEY")
set(SETUP_SIGN_TIMESTAMP_URL "" CACHE STRING "RFC 3161 time-stamping server; empty for none")
set(SETUP_SIGN_CAFILE "/etc/ssl/certs/ca-certificates.crt" CACHE FILEPATH
    "Root certificates the tests check a release signature against")

foreach(variable SETUP_SIGN_PKCS12 SETUP_SIGN_KEY SETUP_SIGN_CERT SETUP_SIGN_PASSWORD_FILE)
  set(file "${${variable}}")
  if(NOT file STREQUAL "" AND (NOT IS_ABSOLUTE "${file}" OR NOT EXISTS "${file}"))
    message(FATAL_ERROR "${variable} \"${file}\": give the absolute path of an existing file")
  endif()
endforeach()
if(SETUP_SIGN_PKCS12 AND (SETUP_SIGN_KEY OR SETUP_SIGN_CERT))
  message(FATAL_ERROR "Give either SETUP_SIGN_PKCS12 or SETUP_SIGN_KEY and SETUP_SIGN_CERT")
endif()
if((SETUP_SIGN_KEY AND NOT SETUP_SIGN_CERT) OR (SETUP_SIGN_CERT AND NOT SETUP_SIGN_KEY))
  message(FATAL_ERROR "SETUP_SIGN_KEY and SETUP_SIGN_CERT go together")
endif()

set(sign_script ${PROJECT_SOURCE_DIR}/scripts/sign.sh)
if(SETUP_SIGN_PKCS12)
  set(sign_options --pkcs12 ${SETUP_SIGN_PKCS12})
  set(sign_inputs ${SETUP_SIGN_PKCS12})
  set(SETUP_SIGN_TRUST ${SETUP_SIGN_CAFILE})
  set(signer "the certificate of ${SETUP_SIGN_PKCS12}")
elseif(SETUP_SIGN_KEY)
  set(sign_options --key ${SETUP_SIGN_KEY} --cert ${SETUP_SIGN_CERT})
  set(sign_inputs ${SETUP_SIGN_KEY} ${SETUP_SIGN_CERT})
  set(SETUP_SIGN_TRUST ${SETUP_SIGN_CAFILE})
  set(signer "the certificate ${SETUP_SIGN_CERT}")
else()
  set(test_key ${CMAKE_BINARY_DIR}/signing/test-signer.key)
  set(test_cert ${CMAKE_BINARY_DIR}/signing/test-signer.pem)
  add_custom_command(
    OUTPUT ${test_key} ${test_cert}
    COMMAND bash ${sign_script} --new-test-certificate ${test_key} ${test_cert}
    COMMENT "Making the throwaway test certificate in ${CMAKE_BINARY_DIR}/signing"
    VERBATIM)
  set(sign_options --key ${test_key} --cert ${test_cert})
  set(sign_inputs ${test_key} ${test_cert})
  set(SETUP_SIGN_TRUST ${test_cert})
  set(signer "the throwaway test certificate: not for release")
  if(SETUP_SIGN_PASSWORD_FILE OR SETUP_SIGN_TIMESTAMP_URL)
    message(WARNING "SETUP_SIGN_PASSWORD_FILE and SETUP_SIGN_TIMESTAMP_URL are used only with "
                    "SETUP_SIGN_PKCS12 or SETUP_SIGN_KEY")
  endif()
endif()
if(SETUP_SIGN_PASSWORD_FILE AND (SETUP_SIGN_PKCS12 OR SETUP_SIGN_KEY))
  list(APPEND sign_options --password-file ${SETUP_SIGN_PASSWORD_FILE})
  list(APPEND sign_inputs ${SETUP_SIGN_PASSWORD_FILE})
endif()
if(NOT SETUP_SIGN_TIMESTAMP_URL STREQUAL "" AND (SETUP_SIGN_PKCS12 OR SETUP_SIGN_KEY))
  list(APPEND sign_options --timestamp ${SETUP_SIGN_TIMESTAMP_URL})
endif()
message(STATUS "Setup.exe and the MSIs are signed with ${signer}")

# The MSIs are signed first, then a launcher is built sealed to the signed
# package, so that it runs only those files, and signed last. The sample
# package is rebuilt as a whole; its stamp stands for its files, whose names
# only the build knows.
set(SETUP_SIGNED_DIR ${CMAKE_BINARY_DIR}/signed)
set(signed_package_stamp ${CMAKE_BINARY_DIR}/signed-package.stamp)
add_custom_command(
  OUTPUT ${signed_package_stamp}
  COMMAND bash ${sign_script} ${sign_options} ${SAMPLE_PACKAGE_DIR} ${SETUP_SIGNED_DIR}/Package
  COMMAND ${CMAKE_COMMAND} -E touch ${signed_package_stamp}
  DEPENDS sample_package ${CMAKE_BINARY_DIR}/package-tools/sample_package.stamp ${sign_inputs}
          ${sign_script}
  COMMENT "Signing the MSIs into ${SETUP_SIGNED_DIR}/Package with ${signer}"
  VERBATIM)
add_custom_target(signed_package DEPENDS ${signed_package_stamp})

set(SETUP_SEALED_EXE ${CMAKE_BINARY_DIR}/sealed/Setup.exe)
include(ExternalProject)
ExternalProject_Add(SetupSealed
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/launcher-sealed
  CMAKE_ARGS ${SETUP_LAUNCHER_ARGUMENTS} -DSETUP_LAUNCHER_DIR=${CMAKE_BINARY_DIR}/sealed
             -DSETUP_SEAL_PACKAGE=${SETUP_SIGNED_DIR}/Package
  DEPENDS signed_package
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${SETUP_SEALED_EXE}
  USES_TERMINAL_BUILD ON)

set(signed_stamp ${CMAKE_BINARY_DIR}/signed.stamp)
add_custom_command(
  OUTPUT ${signed_stamp}
  BYPRODUCTS ${SETUP_SIGNED_DIR}/Setup.exe
  COMMAND bash ${sign_script} ${sign_options} ${SETUP_SEALED_EXE} ${SETUP_SIGNED_DIR}/Setup.exe
  COMMAND ${CMAKE_COMMAND} -E touch ${signed_stamp}
  DEPENDS SetupSealed ${SETUP_SEALED_EXE} ${signed_package_stamp} ${sign_inputs} ${sign_script}
  COMMENT "Signing the sealed Setup.exe into ${SETUP_SIGNED_DIR} with ${signer}"
  VERBATIM)
add_custom_target(signed ALL DEPENDS ${signed_stamp})

set(SETUP_MEDIUM_DIR ${CMAKE_BINARY_DIR}/medium)
set(SETUP_MEDIUM_ARCHIVE ${CMAKE_BINARY_DIR}/medium.zip)
add_custom_command(
  OUTPUT ${SETUP_MEDIUM_ARCHIVE} ${SETUP_MEDIUM_ARCHIVE}.sha256
  BYPRODUCTS ${SETUP_MEDIUM_DIR}/SHA256SUMS
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/make-medium.sh ${SETUP_SIGNED_DIR}/Setup.exe
          ${SETUP_SIGNED_DIR}/Package ${SETUP_MEDIUM_DIR} ${SETUP_MEDIUM_ARCHIVE}
  DEPENDS ${signed_stamp} ${PROJECT_SOURCE_DIR}/scripts/make-medium.sh
  COMMENT "Laying out the medium in ${SETUP_MEDIUM_DIR} and archiving it, signed with ${signer}"
  VERBATIM)
add_custom_target(medium ALL DEPENDS ${SETUP_MEDIUM_ARCHIVE})
