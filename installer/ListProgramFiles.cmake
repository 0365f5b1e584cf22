# SPDX-License-Identifier: GPL-2.0-or-later
# Lists the program folder for the installer: NimbrelInstallFiles puts every file in place and
# NimbrelRemoveFiles takes exactly those away again, so that uninstalling never touches what the
# user put into the folder.
#   cmake -DPROGRAM_DIR=<folder> -DOUTPUT=<file.nsh> -P ListProgramFiles.cmake
# Each file's digest goes into the list too: the list, rewritten only when it changes, is what the
# installer and the zip depend on, so a changed file makes both anew and an unchanged build nothing.
cmake_minimum_required(VERSION 3.25)

if(NOT IS_DIRECTORY "${PROGRAM_DIR}" OR NOT OUTPUT)
    message(FATAL_ERROR "usage: cmake -DPROGRAM_DIR=<folder> -DOUTPUT=<file.nsh> -P ListProgramFiles.cmake")
endif()

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${PROGRAM_DIR}" "${PROGRAM_DIR}/*")
list(SORT files)
if(NOT "Nimbrel.exe" IN_LIST files)
    message(FATAL_ERROR "${PROGRAM_DIR} holds no Nimbrel.exe")
endif()

# NSIS expands $ in every string (written $$ for itself); Windows file names hold no double quotes
# and no wildcards, which File would expand.
function(nsis_escape text result)
    string(REPLACE "$" "$$" text "${text}")
    set(${result} "${text}" PARENT_SCOPE)
endfunction()

set(install "!macro NimbrelInstallFiles\n")
set(remove "!macro NimbrelRemoveFiles\n")
set(folders)
set(current_folder "-")
foreach(file IN LISTS files)
    if(file MATCHES "[\"*?\r\n]")
        message(FATAL_ERROR "Cannot ship a file named ${file}")
    endif()
    get_filename_component(folder "${file}" DIRECTORY)
    string(REPLACE "/" "\\" windows_file "${file}")
    nsis_escape("${windows_file}" windows_file)
    if(NOT folder STREQUAL current_folder)
        set(current_folder "${folder}")
        if(folder STREQUAL "")
            string(APPEND install "    SetOutPath \"$INSTDIR\"\n")
        else()
            string(REPLACE "/" "\\" windows_folder "${folder}")
            nsis_escape("${windows_folder}" windows_folder)
            string(APPEND install "    SetOutPath \"$INSTDIR\\${windows_folder}\"\n")
            # Every level of the folder, so that the removal takes empty parents away too.
            set(level "${folder}")
            while(NOT level STREQUAL "")
                list(APPEND folders "${level}")
                get_filename_component(level "${level}" DIRECTORY)
            endwhile()
        endif()
    endif()
    file(MD5 "${PROGRAM_DIR}/${file}" digest)
    # The source is read at compile time, where $ stands for itself.
    string(APPEND install "    File \"${PROGRAM_DIR}/${file}\" ; ${digest}\n")
    string(APPEND remove "    Delete /REBOOTOK \"$INSTDIR\\${windows_file}\"\n")
endforeach()
string(APPEND install "!macroend\n")

# Deepest folders first; RMDir without /r keeps a folder the user put files into.
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING)
foreach(folder IN LISTS folders)
    string(REPLACE "/" "\\" windows_folder "${folder}")
    nsis_escape("${windows_folder}" windows_folder)
    string(APPEND remove "    RMDir /REBOOTOK \"$INSTDIR\\${windows_folder}\"\n")
endforeach()
string(APPEND remove "!macroend\n")

file(WRITE "${OUTPUT}.new" "; Made by installer/ListProgramFiles.cmake from the program folder.\n${install}${remove}")
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
