// Registry files the import tests hand to the program: one it may import, one
// that reaches outside its key (and the reason it is refused), and where the
// drop folder's file lies.
#pragma once

namespace testing_support {

inline constexpr char kDropFile[] = "C:\\Program Files\\Kestrove Pro\\save\\kstrv7.reg";
inline constexpr char kGoodRegFile[] = "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\KSV\\Tasks]\r\n";
inline constexpr char kRunRegFile[] =
    "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n";
// Why kRunRegFile is refused (without the closing full stop).
inline constexpr char kRunRefusal[] =
    "line 2 writes to HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run, "
    "which is outside HKEY_LOCAL_MACHINE\\Software\\KSV";

}  // namespace testing_support
