// Start at logon: the string value "Vantrel" under the current user's Run key holds the program's path.
#pragma once

#include <string>

namespace vantrel {

// True when the Run key holds this program's path under "Vantrel" (letter case of A-Z aside).
bool IsAutoStart();
// Makes the Run key agree with enable: writes this program's path, or deletes the value.
void SetAutoStart(bool enable);

// The same, for a given program path (tests register a path of their choosing).
bool IsAutoStart(const std::wstring& programPath);
void SetAutoStart(bool enable, const std::wstring& programPath);

// The running program's own file, as the system reports it, with no quotes and no arguments.
std::wstring ProgramPath();

// Two paths name the same registration when they are equal after folding only A-Z to a-z.
bool SameRegistration(const std::wstring& a, const std::wstring& b);

}  // namespace vantrel
