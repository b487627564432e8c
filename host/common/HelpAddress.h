#pragma once
#include <string>

// Splits a help address "<file>::/<topic>" into the book's file and the topic page (leading
// separators dropped, backslashes turned into slashes). False when there is no file part.
bool SplitHelpAddress(const std::string& address, std::string* file, std::string* topic);
