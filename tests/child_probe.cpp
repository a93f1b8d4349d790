// A program for the tests of RunProgram.
//   child_probe linger SECONDS   waits, then exits with 0
//   child_probe leave-behind     starts "child_probe linger 60" with its own standard output,
//                                prints "left PID" and exits with 7 while that program runs on
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "linger") == 0) {
    ::Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "leave-behind") == 0) {
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = "\"" + std::string(self) + "\" linger 60";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &info))
      return 1;
    std::printf("left %lu\n", static_cast<unsigned long>(info.dwProcessId));
    std::fflush(stdout);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return 7;
  }
  return 2;
}
