// The keystroke dialog in a real window: this thread asks, as the provider does while it reads
// a container; a driver thread looks at the window and types, as the user does.
#include "randinit.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "windriver.h"
#include "winhandles.h"

namespace sigcore {
namespace {

using namespace std::chrono_literals;

// What the driver saw while one request was waiting.
struct Seen {
  bool shown = false;
  bool ownerDisabled = false;
  std::wstring requested;
  int progressMax = -1;
  int progressPos = -1;
  RECT window{};
  RECT box{};
  RECT progress{};
  RECT cancel{};
  RECT heading{};
  RECT prompt{};
  RECT label{};
  int clientWidth = 0;
};

RECT ClientRectOf(HWND control, HWND dialog) {
  RECT rect;
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool Writable(HWND box) { return (::GetWindowLongW(box, GWL_STYLE) & ES_READONLY) == 0; }

template <class Predicate>
bool Eventually(Predicate done) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

class RandomInitDialog : public ::testing::Test {
 protected:
  RandomInitDialog() {
    // The host's window, in the foreground when the provider asks.
    owner_.Reset(::CreateWindowExW(0, L"STATIC", L"Bank client", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                   200, 150, 640, 480, nullptr, nullptr, nullptr, nullptr));
    ::SetForegroundWindow(owner_.Get());
    Pump();
  }
  ~RandomInitDialog() override { ReleaseRandomInitDialogs(); }

  static void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }

  // Asks for one keystroke while `act` runs on the driver thread once the request is showing.
  int Ask(char requested, int index, int total, std::function<void(HWND dialog, HWND box)> act,
          Seen& seen) {
    const std::wstring label = std::wstring(L"' ") + static_cast<wchar_t>(requested) + L" ':";
    std::thread driver([&] {
      HWND dialog = nullptr;
      HWND box = nullptr;
      HWND requestedLabel = nullptr;
      // A dialog kept from the previous request shows that request until this one is set up.
      seen.shown = Eventually([&] {
        dialog = ::FindWindowW(nullptr, L"Crypto Com 3.x");
        if (dialog == nullptr || !::IsWindowVisible(dialog)) return false;
        box = wintest::FindControl(dialog, L"Edit");
        requestedLabel = wintest::FindControl(dialog, L"Static", label);
        return box != nullptr && requestedLabel != nullptr && Writable(box);
      });
      if (!seen.shown) return;
      seen.ownerDisabled = !::IsWindowEnabled(owner_.Get());
      seen.requested = wintest::ControlText(requestedLabel);
      seen.progressMax = static_cast<int>(::SendMessageW(
          wintest::FindControl(dialog, PROGRESS_CLASSW), PBM_GETRANGE, FALSE, 0));
      seen.progressPos = static_cast<int>(
          ::SendMessageW(wintest::FindControl(dialog, PROGRESS_CLASSW), PBM_GETPOS, 0, 0));
      ::GetWindowRect(dialog, &seen.window);
      RECT client;
      ::GetClientRect(dialog, &client);
      seen.clientWidth = client.right;
      seen.box = ClientRectOf(box, dialog);
      seen.progress = ClientRectOf(wintest::FindControl(dialog, PROGRESS_CLASSW), dialog);
      seen.cancel = ClientRectOf(wintest::FindControl(dialog, L"Button"), dialog);
      seen.heading = ClientRectOf(wintest::FindControl(dialog, L"Static", L"Инициализация"), dialog);
      seen.prompt = ClientRectOf(wintest::FindControl(dialog, L"Static", L"Введите символ"), dialog);
      seen.label = ClientRectOf(requestedLabel, dialog);
      act(dialog, box);
    });
    const int answer = RandomInitCallback(static_cast<unsigned char>(requested), index, total,
                                          nullptr);
    driver.join();
    return answer;
  }

  static void Type(HWND, HWND box, wchar_t c) { wintest::PostText(box, std::wstring(1, c)); }

  kit::UniqueWindow owner_;
};

TEST_F(RandomInitDialog, AsksEachKeystrokeWithProgressAndGoesAfterTheLastGoodOne) {
  struct Step {
    char requested;
    int index;
    int total;
    wchar_t typed;
    int answer;
    bool kept;
  };
  const Step steps[] = {
      {'Q', 1, 3, L'x', 'x', true},   // a wrong character is still the answer
      {'W', 2, 3, L'W', 'W', true},   // a right one before the last keeps the dialog
      {'E', 3, 3, L'e', 'e', true},   // the last one answered wrongly keeps it too
      {'R', 3, 3, L'R', 'R', false},  // the last one answered rightly destroys it
      {'5', 1, 10, L'5', '5', true},  // the next series gets a new dialog
  };
  HWND first = nullptr;
  for (const Step& step : steps) {
    Seen seen;
    const int answer = Ask(step.requested, step.index, step.total,
                           [&](HWND dialog, HWND box) {
                             if (first == nullptr) first = dialog;
                             if (step.requested == 'Q')
                               wintest::SaveScreenshot("random_init_dialog");
                             Type(dialog, box, step.typed);
                           },
                           seen);
    ASSERT_TRUE(seen.shown) << step.requested;
    EXPECT_EQ(answer, step.answer) << step.requested;
    EXPECT_TRUE(seen.ownerDisabled) << step.requested;
    EXPECT_TRUE(::IsWindowEnabled(owner_.Get())) << step.requested;
    EXPECT_EQ(seen.progressMax, step.total) << step.requested;
    EXPECT_EQ(seen.progressPos, step.index - 1) << step.requested;
    EXPECT_EQ(seen.requested, std::wstring(L"' ") + static_cast<wchar_t>(step.requested) + L" ':");
    const HWND dialog = ::FindWindowW(nullptr, L"Crypto Com 3.x");
    EXPECT_EQ(dialog != nullptr, step.kept) << step.requested;
    if (step.requested == '5') {
      EXPECT_NE(dialog, first) << "a new dialog for a new series";
    }
  }
}

TEST_F(RandomInitDialog, EscapeAndTheCancelButtonCancelInTheMiddleOfASeries) {
  const std::function<void(HWND, HWND)> cancels[] = {
      [](HWND, HWND box) { wintest::PostKey(box, VK_ESCAPE); },
      [](HWND dialog, HWND) { wintest::PostClick(wintest::FindControl(dialog, L"Button")); },
      [](HWND dialog, HWND) { ::PostMessageW(dialog, WM_CLOSE, 0, 0); },
  };
  for (size_t i = 0; i < std::size(cancels); ++i) {
    Seen seen;
    EXPECT_EQ(Ask('Z', 4, 10, cancels[i], seen), -1) << i;
    EXPECT_TRUE(seen.ownerDisabled) << i;
    EXPECT_TRUE(::IsWindowEnabled(owner_.Get())) << "enabled again after a cancel, " << i;
    EXPECT_EQ(::FindWindowW(nullptr, L"Crypto Com 3.x"), nullptr) << i;
  }
}

TEST_F(RandomInitDialog, IsLaidOutAroundThePromptLineAndCentredOnItsOwner) {
  Seen seen;
  ASSERT_EQ(Ask('A', 1, 2, [](HWND dialog, HWND box) { Type(dialog, box, L'A'); }, seen), 'A');
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.window.right - seen.window.left, 450);
  EXPECT_EQ(seen.window.bottom - seen.window.top, 220);
  RECT owner;
  ::GetWindowRect(owner_.Get(), &owner);
  EXPECT_EQ(seen.window.left, owner.left + (owner.right - owner.left - 450) / 2);
  EXPECT_EQ(seen.window.top, owner.top + (owner.bottom - owner.top - 220) / 2);

  const int width = seen.clientWidth;
  const int labelHeight = seen.label.bottom - seen.label.top;
  const struct {
    const char* control;
    RECT actual;
    int left, top, right, bottom;
  } places[] = {
      {"heading", seen.heading, 0, 15, width, seen.heading.bottom},
      {"prompt", seen.prompt, 15, 55, seen.prompt.right, seen.prompt.bottom},
      {"requested", seen.label, seen.prompt.right + 5, 55, seen.label.right, seen.label.bottom},
      {"box", seen.box, (width - 35) / 2, 55 - (30 - labelHeight + 1) / 2, (width - 35) / 2 + 35,
       55 - (30 - labelHeight + 1) / 2 + 30},
      {"progress", seen.progress, 15, seen.box.bottom + 15, width - 15, seen.box.bottom + 45},
      {"cancel", seen.cancel, (width - 100) / 2, seen.progress.bottom + 15, (width - 100) / 2 + 100,
       seen.progress.bottom + 45},
  };
  for (const auto& place : places) {
    EXPECT_EQ(place.actual.left, place.left) << place.control;
    EXPECT_EQ(place.actual.top, place.top) << place.control;
    EXPECT_EQ(place.actual.right, place.right) << place.control;
    EXPECT_EQ(place.actual.bottom, place.bottom) << place.control;
  }
  EXPECT_GT(seen.prompt.right - seen.prompt.left, 20) << "sized to its text";
}

}  // namespace
}  // namespace sigcore
