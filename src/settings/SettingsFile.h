// The settings file's text, without any file access: the bytes that Save writes, and the
// settings that Load takes from such bytes.
#pragma once

#include <string>

#include "settings/Options.h"

namespace vantrel {

// The whole file: the byte-order mark FF FE, then every line in UTF-16 LE followed by CR LF.
std::string SettingsToBytes(const Settings& settings);

// Reads the settings from a file's bytes. Element names are found in any case and at any
// depth, values are trimmed, booleans go by their first letter, list entries may bear any
// name, and the destination folder gets a trailing backslash. Whatever is missing or cannot
// be read (a damaged file, an element without fallback, a value that does not convert) takes
// its default, with defaultDestination as the destination's; everything readable is kept.
Settings SettingsFromBytes(const std::string& bytes, const std::wstring& defaultDestination);

// The defaults of every persisted setting, with the given destination folder.
Settings DefaultSettings(const std::wstring& destination);

}  // namespace vantrel
