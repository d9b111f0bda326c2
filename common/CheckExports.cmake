# Fails when libtapweave-common exports a name of ours that the programs are not meant to see.
# Run as: cmake -DLIBRARY=<path of the library> -P CheckExports.cmake
set(allowed
    "Action::Action()"
    "Action::~Action()"
    "vtable for Action"
    "typeinfo for Action"
    "typeinfo name for Action"
    "Macros::Macros()"
    "Macros::~Macros()"
    "Macros::Save()"
    "Macros::GetInstance()"
    "vtable for Macros"
    "Mouse::Mouse(int, int)"
    "Mouse::NotEqual(int, int) const"
    "Mouse::OnScreenOrientationChange()"
    "vtable for Mouse"
    "MouseLeftDown::MouseLeftDown(int, int)"
    "vtable for MouseLeftDown"
    "MouseMove::MouseMove(int, int)"
    "vtable for MouseMove"
    "MouseLeftUp::MouseLeftUp(int, int)"
    "MouseLeftUp::NotEqual(int, int) const"
    "vtable for MouseLeftUp"
    "Pause::Create()"
    "Dialog::Dialog(std::__cxx11::basic_string<wchar_t, std::char_traits<wchar_t>, std::allocator<wchar_t> > const&)"
    "Dialog::Dialog(Dialog const&)"
    "Dialog::~Dialog()"
    "Dialog::DoModal(Dialog&)"
    "Dialog::OnInitDialog(HWND__*, unsigned long, long)"
    "Dialog::OnActivate(HWND__*, unsigned long, long)"
    "Dialog::OnSettingChange(HWND__*, unsigned long, long)"
    "Dialog::OnCommand(HWND__*, unsigned long, long)"
    "Dialog::OnHelp(HWND__*, unsigned long, long)"
    "Dialog::OnMsg(HWND__*, unsigned int, unsigned long, long)"
    "Dialog::GetHWND() const"
    "Dialog::GetTitle[abi:cxx11]() const"
    "Dialog::dialogList[abi:cxx11]"
    "vtable for Dialog"
    "ShowAboutDialog(int)"
    "SetPlaybackSpeed(double)"
    "OpenMacrosFolder(std::__cxx11::basic_string<wchar_t, std::char_traits<wchar_t>, std::allocator<wchar_t> > const&)")
# An exported class carries its type information with its virtual table.
foreach(class Macros Mouse MouseLeftDown MouseMove MouseLeftUp Dialog)
    list(APPEND allowed "typeinfo for ${class}" "typeinfo name for ${class}")
endforeach()

execute_process(COMMAND nm -D --defined-only -C ${LIBRARY}
    OUTPUT_VARIABLE listing RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()

string(REPLACE "\n" ";" lines "${listing}")
set(found "")
set(unexpected "")
foreach(line IN LISTS lines)
    # "<address> <type> <name>"; names of the standard library and of the linker are not ours.
    if(NOT line MATCHES "^[0-9a-f]+ [A-Za-z] (.+)$")
        continue()
    endif()
    set(name "${CMAKE_MATCH_1}")
    if(name MATCHES "^(std::|__gnu_cxx::|(vtable|typeinfo|typeinfo name|VTT|construction vtable|guard variable) for (std::|__gnu_cxx::))"
       OR name MATCHES "^(_init|_fini|_edata|_end|__bss_start)$")
        continue()
    endif()
    list(FIND allowed "${name}" index)
    if(index EQUAL -1)
        list(APPEND unexpected "${name}")
    else()
        list(APPEND found "${name}")
    endif()
endforeach()

if(unexpected)
    list(REMOVE_DUPLICATES unexpected)
    list(JOIN unexpected "\n  " text)
    message(FATAL_ERROR "exported but not meant to be:\n  ${text}")
endif()
set(missing "")
foreach(name IN LISTS allowed)
    list(FIND found "${name}" index)
    if(index EQUAL -1)
        list(APPEND missing "${name}")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " text)
    message(FATAL_ERROR "meant to be exported but missing:\n  ${text}")
endif()
message(STATUS "exports of ${LIBRARY} are as meant")
