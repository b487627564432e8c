#pragma once
#include <string>

// The host's strings are single-byte strings in the process's code page; on Linux that is UTF-8,
// so a Russian text is a UTF-8 byte string.
using CString = std::string;
