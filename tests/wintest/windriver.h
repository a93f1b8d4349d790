// Driving real windows from a test: find them, type into them, click them, read them back and
// take a picture of the screen for a person to look at.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace wintest {

using namespace std::chrono_literals;

// The first visible top-level window of the class and caption (either may be empty to match
// any), waiting for it to appear; null when it does not appear in time.
HWND WaitForWindow(const std::wstring& className, const std::wstring& caption,
                   std::chrono::milliseconds timeout = 10s);

// Waits until the window is gone; false when it is still there after the timeout.
bool WaitForWindowGone(HWND window, std::chrono::milliseconds timeout = 10s);

// The first descendant of `parent` of that class whose text contains `text` (empty: any).
HWND FindControl(HWND parent, const std::wstring& className, const std::wstring& text = L"");

std::wstring ControlText(HWND control);

// Posts characters as WM_CHAR messages, as typing on the physical keyboard produces them.
void PostText(HWND window, const std::wstring& text);

// Posts the key-down and key-up messages of one virtual key.
void PostKey(HWND window, UINT virtualKey);

// Posts a left click at a point of the window's client area (its centre by default).
void PostClick(HWND window);
void PostClick(HWND window, POINT clientPoint);

// Saves the whole screen as a BMP file named `name`.bmp in the build tree's screenshot folder
// and returns its path.
std::string SaveScreenshot(const std::string& name);

// The Windows path (on Wine's Z: drive) of a path of the Linux host, such as a build output.
std::string HostPath(const std::string& unixPath);

}  // namespace wintest
