# SPDX-License-Identifier: GPL-2.0-or-later
# Writes the Windows Package Manager manifests of one installer from the templates beside this
# script, once the installer is made: its SHA-256 goes into them.
#   cmake -DINSTALLER=<setup.exe> -DOUTPUT_DIR=<folder> -DPACKAGE_IDENTIFIER=<id> -DVERSION=<version>
#         -DINSTALLER_URL=<url> -DWEB_PAGE=<url> -DRELEASE_NOTES_URL=<url> -P WriteManifests.cmake
cmake_minimum_required(VERSION 3.25)

foreach(name INSTALLER OUTPUT_DIR PACKAGE_IDENTIFIER VERSION INSTALLER_URL WEB_PAGE RELEASE_NOTES_URL)
    if("${${name}}" STREQUAL "")
        message(FATAL_ERROR "WriteManifests.cmake needs -D${name}=...")
    endif()
endforeach()
if(NOT EXISTS "${INSTALLER}")
    message(FATAL_ERROR "${INSTALLER} is missing")
endif()

set(MANIFEST_VERSION 1.6.0)
set(LOCALE en-US)
file(SHA256 "${INSTALLER}" INSTALLER_SHA256)
string(TOUPPER "${INSTALLER_SHA256}" INSTALLER_SHA256)

# Whatever an earlier build left there belongs to another version or identifier.
file(REMOVE_RECURSE "${OUTPUT_DIR}")
set(templates "${CMAKE_CURRENT_LIST_DIR}")
configure_file("${templates}/version.yaml.in" "${OUTPUT_DIR}/${PACKAGE_IDENTIFIER}.yaml" @ONLY)
configure_file("${templates}/installer.yaml.in" "${OUTPUT_DIR}/${PACKAGE_IDENTIFIER}.installer.yaml" @ONLY)
configure_file("${templates}/defaultLocale.yaml.in"
               "${OUTPUT_DIR}/${PACKAGE_IDENTIFIER}.locale.${LOCALE}.yaml" @ONLY)
