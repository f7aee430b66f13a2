# The one list of what the installer installs, and all that is made of it:
#  - the install() rules: everything flat in one folder, so that each program
#    finds its libraries, its data and its help beside itself; every program
#    and library looks for our libraries in its own folder ($ORIGIN), and
#    olvenSetup, which runs from the stage above runimage/, in runimage/ too;
#  - the stage: olvenSetup with runimage/ beside it (the payload it installs
#    from), made by `cmake --install` in the default build;
#  - the name table of the installer's core (setupFiles), from the targets'
#    file names, so that the install, the uninstall and the menu entries
#    share one spelling of every name.
# `cmake --install <build> --prefix <folder>` installs the same flat folder
# for packagers.

# Programs and libraries by role. A program whose target this build lacks is
# left out (with a warning), and the installer then makes no entry for it.
set(olv_setup_targets
  Program:olven
  Wizard:olvenWizzard
  Setup:olvenSetup
  # Every shared library of ours that the programs and the component load.
  Library:olvplatform
  Library:olvlex
  Library:olvschema
  Library:olvjoin
  Library:olvrules
  Library:olvbridge1
  Library:olvcore
  Library:olvpaging
  Library:ReportPane
  Library:PageView
  Component:olvenlib
  Proxy:olvenlibProxy
)
# Data files by role, from the sources.
set(olv_setup_data
  Metadata:${PROJECT_SOURCE_DIR}/app/metadata_def.xml
  Templates:${CMAKE_CURRENT_SOURCE_DIR}/szablon.reg
  Icon:${CMAKE_CURRENT_SOURCE_DIR}/pictures/olven.png
)
# The help: the pages of help/ in their own folder; index.html opens it.
set(olv_setup_help_source ${PROJECT_SOURCE_DIR}/help)
set(olv_setup_help_folder pomoc)
set(olv_setup_help_index index.html)

set(olv_setup_table "")
set(olv_setup_depends "")
set(olv_setup_installed "")

foreach(item IN LISTS olv_setup_targets)
  string(REPLACE ":" ";" pair ${item})
  list(GET pair 0 role)
  list(GET pair 1 target)
  if(NOT TARGET ${target})
    message(WARNING "The installer leaves out ${target}: this build has no such target")
    continue()
  endif()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  install(TARGETS ${target} RUNTIME DESTINATION . LIBRARY DESTINATION .)
  string(APPEND olv_setup_table "{\"$<TARGET_FILE_NAME:${target}>\", Role::${role}},\n")
  list(APPEND olv_setup_depends ${target})
  list(APPEND olv_setup_installed "$<TARGET_FILE_NAME:${target}>")
endforeach()
if(TARGET olvenSetup)
  # olvenSetup also runs from the stage, with the payload's libraries below it.
  set_target_properties(olvenSetup PROPERTIES INSTALL_RPATH "$ORIGIN;$ORIGIN/runimage")
endif()

foreach(item IN LISTS olv_setup_data)
  string(FIND ${item} ":" colon)
  string(SUBSTRING ${item} 0 ${colon} role)
  math(EXPR colon "${colon} + 1")
  string(SUBSTRING ${item} ${colon} -1 source)
  if(NOT EXISTS ${source})
    message(WARNING "The installer leaves out ${source}: the file does not exist")
    continue()
  endif()
  get_filename_component(name ${source} NAME)
  install(FILES ${source} DESTINATION .)
  string(APPEND olv_setup_table "{\"${name}\", Role::${role}},\n")
  list(APPEND olv_setup_depends ${source})
endforeach()

file(GLOB_RECURSE olv_setup_help_pages CONFIGURE_DEPENDS RELATIVE ${olv_setup_help_source}
     ${olv_setup_help_source}/*)
list(SORT olv_setup_help_pages)
foreach(page IN LISTS olv_setup_help_pages)
  get_filename_component(folder ${page} DIRECTORY)
  install(FILES ${olv_setup_help_source}/${page}
          DESTINATION ${olv_setup_help_folder}/${folder})
  if(page STREQUAL olv_setup_help_index)
    set(role HelpIndex)
  else()
    set(role HelpPage)
  endif()
  string(APPEND olv_setup_table "{\"${olv_setup_help_folder}/${page}\", Role::${role}},\n")
  list(APPEND olv_setup_depends ${olv_setup_help_source}/${page})
endforeach()

# The name table of setupFiles.cpp.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/generated/setup/setupFilesTable.inc
     CONTENT "// Generated from setup/files.cmake: do not edit.\n${olv_setup_table}")

# The stage: runimage/ by the install rules, olvenSetup above it. Made again
# whenever a file of it changes; what is gone from the list goes from the
# stage too.
set(OLV_STAGE ${CMAKE_BINARY_DIR}/stage)
if(TARGET olvenSetup)
  set(olv_stage_stamp ${CMAKE_CURRENT_BINARY_DIR}/stage.stamp)
  add_custom_command(
    OUTPUT ${olv_stage_stamp}
    COMMAND ${CMAKE_COMMAND} -DBUILD=${CMAKE_BINARY_DIR} -DSTAGE=${OLV_STAGE}
            -DSETUP=$<TARGET_FILE_NAME:olvenSetup> -DSTAMP=${olv_stage_stamp}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/stage.cmake
    DEPENDS ${olv_setup_depends} ${CMAKE_CURRENT_SOURCE_DIR}/files.cmake
            ${CMAKE_CURRENT_SOURCE_DIR}/stage.cmake
    COMMENT "Staging olvenSetup and its payload in ${OLV_STAGE}"
    VERBATIM)
  add_custom_target(olv_stage ALL DEPENDS ${olv_stage_stamp})
endif()
