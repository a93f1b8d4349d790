#include "childprocess.h"

#include <memory>
#include <type_traits>
#include <vector>

#include "winhandles.h"

namespace wintest {
namespace {

// A process attribute list that names the only handles a child may inherit.
class InheritedHandles {
 public:
  explicit InheritedHandles(std::vector<HANDLE> handles) : handles_(std::move(handles)) {
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    storage_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage_.data());
    if (!::InitializeProcThreadAttributeList(list, 1, 0, &size)) return;
    list_.reset(list);
    if (!::UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_.data(),
                                     handles_.size() * sizeof(HANDLE), nullptr, nullptr))
      list_.reset();
  }

  LPPROC_THREAD_ATTRIBUTE_LIST Get() const { return list_.get(); }

 private:
  struct Delete {
    void operator()(LPPROC_THREAD_ATTRIBUTE_LIST list) const { ::DeleteProcThreadAttributeList(list); }
  };
  std::vector<HANDLE> handles_;
  std::vector<char> storage_;
  std::unique_ptr<std::remove_pointer_t<LPPROC_THREAD_ATTRIBUTE_LIST>, Delete> list_;
};

// Reads what the pipe holds now, without waiting for more: a program that the child started
// may keep the write end open long after the child has gone.
void ReadAvailable(HANDLE pipe, std::string& output) {
  char buffer[4096];
  DWORD available = 0, read = 0;
  while (::PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
         ::ReadFile(pipe, buffer, available < sizeof buffer ? available : sizeof buffer, &read,
                    nullptr) &&
         read > 0)
    output.append(buffer, read);
}

}  // namespace

ProgramResult RunProgram(const std::string& commandLine, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  ProgramResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  kit::UniqueHandle reader(readEnd), writer(writeEnd);
  ::SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
  kit::UniqueFile input(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherit, OPEN_EXISTING, 0, nullptr));
  if (!input) return result;

  InheritedHandles handed({input.Get(), writer.Get()});
  if (handed.Get() == nullptr) return result;
  STARTUPINFOEXA startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  startup.StartupInfo.hStdInput = input.Get();
  startup.StartupInfo.hStdOutput = writer.Get();
  startup.StartupInfo.hStdError = writer.Get();
  startup.lpAttributeList = handed.Get();
  PROCESS_INFORMATION info{};
  std::string mutableLine = commandLine;
  if (!::CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE,
                        EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &startup.StartupInfo,
                        &info))
    return result;
  kit::UniqueHandle process(info.hProcess), thread(info.hThread);
  writer.Reset();
  input.Reset();

  const auto deadline = Clock::now() + timeout;
  for (;;) {
    ReadAvailable(reader.Get(), result.output);
    if (::WaitForSingleObject(process.Get(), 10) == WAIT_OBJECT_0) {
      result.finished = true;
      ::GetExitCodeProcess(process.Get(), &result.exitCode);
      break;
    }
    if (Clock::now() >= deadline) {
      ::TerminateProcess(process.Get(), 1);
      ::WaitForSingleObject(process.Get(), 5000);
      break;
    }
  }
  // What the child wrote just before it ended.
  ReadAvailable(reader.Get(), result.output);
  return result;
}

}  // namespace wintest
