#include <iostream>

#include "Cli.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Utf8(const wchar_t* wide) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
  utf8.resize(utf8.size() - 1);  // the terminator
  return utf8;
}

}  // namespace

// The arguments as UTF-16, handed on as UTF-8, the tool's text everywhere.
// Output stays byte for byte: binary mode (the texts carry their own CR LF)
// and a UTF-8 console.
int wmain(int argc, wchar_t** argv) {
  ::SetConsoleOutputCP(CP_UTF8);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  std::ios::sync_with_stdio(false);
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(Utf8(argv[i]));
  const int status = orrimax::cli::RunCli(args, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
#else
int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  return orrimax::cli::RunCli(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                              std::cerr);
}
#endif
