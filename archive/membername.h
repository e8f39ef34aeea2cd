#pragma once
// Names of archive members as the archive library reports them, and where an
// extracted member lands. The library's `e` command drops a member's folder
// part and writes it under its file name into the target folder; a member
// whose name could lead anywhere else (a ".." part, a drive, a leading
// separator, a device name, no file name) is refused outright, so nothing is
// ever written, read as a wallpaper or deleted outside the target folder.
//
// Free of Win32: names are UTF-8 here (the binding converts from ANSI).
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kaleidon {

// What follows the last '\' or '/' of a member name (all of it when there is
// none).
std::string MemberFileName(std::string_view member);

// Whether a member may be extracted and used: no empty name, no leading '\'
// or '/', no ':' (drive or stream), no ".." (or other dots-only) folder part,
// and a file-name part that is a plain file name: not empty, not "." or "..",
// no control characters or <>:"|?*, not ending in '.' or ' ', not a device
// name such as CON or COM1.
bool IsSafeMemberName(std::string_view member);

// The path the member's extracted file has inside folder (folder, '\' when
// folder lacks one, the member's file name), or nothing when the member is
// refused (or no folder is given).
std::optional<std::string> ExtractedMemberPath(std::string_view folder, std::string_view member);

// The entry name of an entry record as the library filled it: the bytes from
// offset 26 up to the first NUL, at most 512 of them (the field holds 513
// with its NUL). Empty when the record is too short to hold the field.
std::string MemberNameFromRecord(const unsigned char* record, size_t size);

}  // namespace kaleidon
