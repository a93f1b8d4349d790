#include "childprocess.h"

#include <thread>

#include "winhandles.h"

namespace wintest {

ProgramResult RunProgram(const std::string& commandLine, std::chrono::milliseconds timeout) {
  ProgramResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  kit::UniqueHandle reader(readEnd), writer(writeEnd);
  ::SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writer.Get();
  startup.hStdError = writer.Get();
  PROCESS_INFORMATION info{};
  std::string mutableLine = commandLine;
  if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info))
    return result;
  kit::UniqueHandle process(info.hProcess), thread(info.hThread);
  writer.Reset();  // the child holds the only write end now, so reading ends when it exits

  std::thread collect([&] {
    char buffer[4096];
    DWORD read;
    while (::ReadFile(reader.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
      result.output.append(buffer, read);
  });
  const auto waitMs = static_cast<DWORD>(timeout.count());
  if (::WaitForSingleObject(process.Get(), waitMs) == WAIT_OBJECT_0) {
    result.finished = true;
    ::GetExitCodeProcess(process.Get(), &result.exitCode);
  } else {
    ::TerminateProcess(process.Get(), 1);
    ::WaitForSingleObject(process.Get(), INFINITE);
  }
  collect.join();
  return result;
}

}  // namespace wintest
