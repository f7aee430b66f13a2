# The installer's core, over a scripted user interface, a platform with
# injected faults and registries, homes and folders of the tests' own.
olv_test_folder(setup olvsetupcore)

# Component libraries whose registration fails in each way: no entry point,
# a failing DllRegisterServer, a failing DllUnregisterServer.
function(olv_fake_component kind)
  add_library(olvsetup_fake${kind} SHARED ${CMAKE_CURRENT_SOURCE_DIR}/setup/libs/FakeComponent.cpp)
  target_compile_definitions(olvsetup_fake${kind} PRIVATE ${ARGN})
  target_compile_definitions(test_setup PRIVATE
    OLV_FAKE_${kind}="$<TARGET_FILE:olvsetup_fake${kind}>")
  add_dependencies(test_setup olvsetup_fake${kind})
endfunction()
olv_fake_component(NoEntry OLV_FAKE_NO_ENTRY)
olv_fake_component(FailingRegister OLV_FAKE_REGISTER=0x80004005 OLV_FAKE_UNREGISTER=0)
olv_fake_component(FailingUnregister OLV_FAKE_REGISTER=0 OLV_FAKE_UNREGISTER=0x8000FFFF)

# The menu entries are checked by the desktop tools' own validator
# (tools/install-deps.sh installs it).
find_program(OLV_DESKTOP_FILE_VALIDATE desktop-file-validate)
if(NOT OLV_DESKTOP_FILE_VALIDATE)
  set(OLV_DESKTOP_FILE_VALIDATE desktop-file-validate)
endif()
target_compile_definitions(test_setup PRIVATE
  OLV_OLVENLIB="$<TARGET_FILE:olvenlib>"
  OLV_STAGE="${CMAKE_BINARY_DIR}/stage"
  OLV_DESKTOP_FILE_VALIDATE="${OLV_DESKTOP_FILE_VALIDATE}"
)
add_dependencies(test_setup olvenlib)
# The end-to-end tests install from the stage.
if(TARGET olv_stage)
  add_dependencies(test_setup olv_stage)
endif()
# The real component's ProgID, from its generated interface header.
target_include_directories(test_setup PRIVATE ${CMAKE_BINARY_DIR}/generated)
