// Text rules shared by the whole program. Strings are 8-bit UTF-8 inside the
// program; conversion to UTF-16 happens only at the Win32 call.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ferrowin {

// Case rules map only the ASCII letters A to Z; every other byte is kept.
std::string LowerCase(std::string_view text);
std::string UpperCase(std::string_view text);
bool SameText(std::string_view a, std::string_view b);

// Removes leading and trailing characters whose code is 32 or less.
std::string Trim(std::string_view text);

// A text read from a file, fit for one line of the log and for a file name:
// its control characters (line breaks among them) become blanks.
std::string OnOneLine(std::string text);

// CR LF, a lone CR and a lone LF each end a line; a final line break adds no
// empty line; an empty text has no lines.
std::vector<std::string> SplitLines(std::string_view text);

// The lines joined with CR LF between them, none after the last.
std::string JoinLines(const std::vector<std::string>& lines);

// A size as the program writes it: B, KB, MB or GB in steps of 1000, whole
// numbers by truncation ("5 GB").
std::string SizeText(std::int64_t bytes);

// The system's own words for an error code, on one line ("The system cannot
// find the path specified."), or "error N" when it has none.
std::string SystemErrorText(DWORD error);

// A name Windows takes for a file: the characters it refuses (< > : " / \ |
// ? * and control characters) become "_", trailing blanks and full stops go
// (Windows would drop them, and Explorer cannot open what keeps them), a
// device name (CON, NUL, COM1...) gets a "_" after it, and the name is cut to
// 200 bytes, at a character's edge, to leave room for a folder and a suffix.
// Never empty.
std::string SafeFileName(std::string_view name);

// CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9, in any case, alone or
// followed by a full stop and anything: names Windows keeps for devices.
bool IsDeviceName(std::string_view name);

bool Contains(std::string_view text, std::string_view part);
bool StartsWith(std::string_view text, std::string_view prefix);

// The text in double quotes: one argument of a command line, blanks and all.
std::string Quoted(std::string_view text);

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
std::wstring Widen(std::string_view bytes, UINT codePage);
std::string Narrow(std::wstring_view utf16, UINT codePage);

// Conversions between UTF-8 and a Windows code page (the console's OEM page).
// Characters the code page lacks become its default character.
std::string ToCodePage(std::string_view utf8, UINT codePage);
std::string FromCodePage(std::string_view bytes, UINT codePage);

}  // namespace ferrowin
