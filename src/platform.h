#pragma once

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace linter {

// Opens the file named by `utf8_path` for binary reading; null with errno set on failure.
// Windows needs the UTF-16 form of the name, elsewhere the bytes go through unchanged.
std::FILE* open_for_reading(const std::string& utf8_path);

// The same name as a filesystem path, for the std::filesystem calls.
std::filesystem::path native_path(const std::string& utf8_path);

// Makes stdin, stdout and stderr pass bytes through unchanged (no CR added before LF on
// Windows).
void set_binary_stdio();

// Reads what standard input has, up to n bytes, waiting only until some arrive (unlike
// fread, which waits for all n); 0 at the end of the input or on an error.
std::size_t read_stdin_some(char* buffer, std::size_t n);

#ifdef _WIN32
// WTF-8 both ways, so a name holding a lone surrogate still round-trips to the same file.
std::string to_utf8(std::wstring_view wide);
std::wstring to_utf16(std::string_view utf8);
#endif

}  // namespace linter
