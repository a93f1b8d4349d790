#include <gtest/gtest.h>
#include <windows.h>

#include <future>

#include "windriver.h"

namespace {

using namespace wintest;

// A message box of this process, driven from the test thread like a person would.
TEST(WindowDriver, ReadsClicksAndPhotographsAMessageBox) {
  const std::wstring caption = L"Проверка драйвера окон";
  auto answer = std::async(std::launch::async, [&] {
    return ::MessageBoxW(nullptr, L"Ключ не найден. Повторить?", caption.c_str(),
                         MB_OKCANCEL | MB_ICONQUESTION);
  });

  HWND box = WaitForWindow(L"#32770", caption);
  ASSERT_NE(box, nullptr) << "the message box did not appear";
  HWND text = FindControl(box, L"Static", L"Ключ");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(ControlText(text), L"Ключ не найден. Повторить?");

  const std::string shot = SaveScreenshot("window_driver_message_box");
  EXPECT_NE(::GetFileAttributesA(shot.c_str()), INVALID_FILE_ATTRIBUTES) << shot;

  HWND cancel = FindControl(box, L"Button", L"Cancel");
  if (cancel == nullptr) cancel = FindControl(box, L"Button", L"Отмена");
  ASSERT_NE(cancel, nullptr) << "no Cancel button";
  PostClick(cancel);
  ASSERT_EQ(answer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(answer.get(), IDCANCEL);
  EXPECT_TRUE(WaitForWindowGone(box));
}

TEST(WindowDriver, TypesIntoAnEditControl) {
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 300,
                                60, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(edit, nullptr);
  PostText(edit, L"ПИН 1234");
  PostKey(edit, VK_BACK);
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  EXPECT_EQ(ControlText(edit), L"ПИН 123");
  ::DestroyWindow(edit);
}

}  // namespace
