#pragma once
// The profile-file functions: read and write single entries of INI files, with the rules of the
// platform functions of the same names, so that files written by either side read the same on both.
//
// Files are kept parsed in memory between calls. A call first checks cheaply (stat) whether the file
// changed on disk and reads it again if so. Changes are collected in memory and reach the disk, whole
// and atomically, when control returns to the event loop, at profile_flush(), and at exit; until then
// the file is not looked at again, and should someone else change it meanwhile, the flush makes the
// pending changes again on the new content.
#include <cstdint>
#include <string>

namespace platform {

// Copies the value of `key` in `section` of `file` into buffer, without blanks around it and without
// one pair of enclosing quotes (" or '), or `def` (trailing blanks removed; null means "") when the
// file, section or key is missing. Copies at most size - 1 characters, adds a NUL, and returns the
// number copied. A null key lists the section's key names, a null section the file's section names,
// each followed by a NUL and the list by one more; the count excludes that last NUL, and a list
// that does not fit is cut and ends in two NULs (count size - 2).
uint32_t GetPrivateProfileString(const char* section, const char* key, const char* def, char* buffer, uint32_t size,
                                 const std::string& file);

// Sets key = value in section of file, creating the file and the section (at the end of the file) as
// needed; a new key goes at the end of its section, an existing one is replaced in place. A null
// value deletes the key, a null key the section with all its keys; all three null flush the file.
// Names and values holding a line break, a section name holding "]", and a key name holding "=" or
// starting with "[" or ";" cannot be stored: the call changes nothing and returns false, as it does
// when the file cannot be read or its folder does not exist.
bool WritePrivateProfileString(const char* section, const char* key, const char* value, const std::string& file);

// The file's content is gone, as if the file had been deleted: the next flush deletes it unless
// something was written to it since, in which case it is rebuilt from nothing.
void profile_discard_file(const std::string& file);

// Every pending change of every file reaches the disk now.
void profile_flush();

// The pending changes of file reach the disk now. "" when every change asked for since the last call
// reached it; otherwise why one did not (refused, or the disk said no), and the file holds what it
// held before that change.
std::string profile_save(const std::string& file);

// "" when file is missing or could be read; otherwise why it could not be, and then nothing written
// to it will be kept.
std::string profile_read_error(const std::string& file);

}  // namespace platform
