#include "orvavktab.h"

#include <gtest/gtest.h>

#include "window_testing.h"

namespace orvavk {
namespace {

using namespace test;
using Texts = std::vector<std::wstring>;

// Every test runs once per back-end: system tabs, owner-drawn system tabs, self-drawn strip.
class TabControl : public ::testing::TestWithParam<int32_t> {
 protected:
  TabControl() : host_(MakeHost(L"Tab control")) { config_.tabStyle = GetParam(); }

  TOrvaVKTabControl& Make() {
    tabs_ = std::make_unique<TOrvaVKTabControl>(host_.Window(), config_, POINT{10, 10}, 400);
    tabs_->SetPageHeight(120);
    return *tabs_;
  }

  // The pages whose panels are on screen.
  Texts ShownPages() const {
    Texts shown;
    for (int i = 0; i < tabs_->PageCount(); ++i)
      if (::IsWindowVisible(tabs_->Page(i)->OwnPanel())) shown.push_back(tabs_->Page(i)->Name());
    return shown;
  }

  TVisualConfiguration config_ = DefaultVisualConfiguration();
  TPanel host_;
  std::unique_ptr<TOrvaVKTabControl> tabs_;
};

TEST_P(TabControl, HiddenPageComesBackAtItsPlace) {
  TOrvaVKTabControl& tabs = Make();
  for (const wchar_t* name : {L"one", L"two", L"three"}) tabs.AddPage(name);
  TOrvaVKTabPage& two = *tabs.FindPage(L"two");
  EXPECT_EQ(TabTexts(tabs.TabWindow()), (Texts{L"one", L"two", L"three"}));
  EXPECT_EQ(tabs.SelectedIndex(), 0);
  EXPECT_EQ(ShownPages(), Texts{L"one"});

  two.SetVisible(false);
  EXPECT_EQ(TabTexts(tabs.TabWindow()), (Texts{L"one", L"three"}));
  EXPECT_EQ(tabs.PageCount(), 3);
  EXPECT_EQ(tabs.FindPage(L"three")->VisibleIndex(), 1);

  // Swapping the panel of a hidden page changes nothing.
  two.SwapPanel(tabs.FindPage(L"one")->OwnPanel());
  EXPECT_EQ(two.Panel(), two.OwnPanel());
  EXPECT_EQ(ShownPages(), Texts{L"one"});

  two.SetVisible(true);
  EXPECT_EQ(TabTexts(tabs.TabWindow()), (Texts{L"one", L"two", L"three"}));
  ClickTab(tabs.TabWindow(), 1);
  EXPECT_EQ(tabs.SelectedIndex(), 1);
  EXPECT_EQ(ShownPages(), Texts{L"two"});

  // A visible page's tab shows the swapped-in panel; its own container goes off screen.
  two.SwapPanel(tabs.FindPage(L"three")->OwnPanel());
  EXPECT_EQ(ShownPages(), Texts{L"three"});
  EXPECT_EQ(tabs.SelectedIndex(), 1);

  // Hiding the selected page leaves no page selected and none shown.
  two.SetVisible(false);
  EXPECT_EQ(tabs.SelectedIndex(), -1);
  EXPECT_EQ(ShownPages(), Texts{});
}

TEST_P(TabControl, SelectingWithoutTabsDoesNothing) {
  TOrvaVKTabControl& tabs = Make();
  tabs.Select(0);
  EXPECT_EQ(tabs.SelectedIndex(), -1);
  EXPECT_EQ(tabs.TabCount(), 0);

  TOrvaVKTabPage& only = tabs.AddPage(L"only");
  only.SetVisible(false);
  tabs.Select(0);
  EXPECT_EQ(tabs.SelectedIndex(), -1);
  EXPECT_EQ(tabs.TabCount(), 0);
  EXPECT_EQ(tabs.Page(1), nullptr);
  EXPECT_EQ(ShownPages(), Texts{});
}

TEST_P(TabControl, ChangeHandlerMayRefuse) {
  TOrvaVKTabControl& tabs = Make();
  for (const wchar_t* name : {L"one", L"two", L"three"}) tabs.AddPage(name);
  bool allow = false;
  std::vector<std::pair<int, int>> asked;
  tabs.OnChanging([&](int from, int to) {
    asked.emplace_back(from, to);
    return allow;
  });
  ClickTab(tabs.TabWindow(), 2);
  EXPECT_EQ(tabs.SelectedIndex(), 0);
  EXPECT_EQ(ShownPages(), Texts{L"one"});

  allow = true;
  ClickTab(tabs.TabWindow(), 2);
  EXPECT_EQ(tabs.SelectedIndex(), 2);
  EXPECT_EQ(ShownPages(), Texts{L"three"});
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{0, 2}, {0, 2}}));
}

INSTANTIATE_TEST_SUITE_P(Backends, TabControl,
                         ::testing::Values(kSystemTabs, kOwnerDrawnSystemTabs, kSelfDrawnTabs));

TEST(SelfDrawnTabs, ItemWidthModesShareOrFitTheStrip) {
  TPanel host = MakeHost(L"Strip");
  TVisualConfiguration config = DefaultVisualConfiguration();
  config.tabStyle = kSelfDrawnTabs;
  config.tabs.leftMargin = 5;
  struct Case {
    int32_t mode;
    std::vector<LONG> lefts;
    std::vector<LONG> rights;
  };
  const Case cases[] = {
      // (400 - 2 x 5) / 4 = 97 each.
      {-1, {5, 102, 199, 296}, {102, 199, 296, 393}},
      // Fixed widths stop at the width less the left margin.
      {120, {5, 125, 245, 365}, {125, 245, 365, 395}},
  };
  for (const Case& c : cases) {
    config.tabs.itemWidthMode = c.mode;
    TOrvaVKTabControl tabs(host.Window(), config, {0, 0}, 400);
    for (const wchar_t* name : {L"abc", L"Numbers", L"Symbols", L"Русский"}) tabs.AddPage(name);
    for (int i = 0; i < 4; ++i) {
      const RECT item = TabRect(tabs.TabWindow(), i);
      EXPECT_EQ(item.left, c.lefts[static_cast<size_t>(i)]) << c.mode << " item " << i;
      EXPECT_EQ(item.right, c.rights[static_cast<size_t>(i)]) << c.mode << " item " << i;
    }
  }
  // Mode 0 fits each item to its text: a longer text makes a wider tab.
  config.tabs.itemWidthMode = 0;
  TOrvaVKTabControl tabs(host.Window(), config, {0, 0}, 400);
  tabs.AddPage(L"abc");
  tabs.AddPage(L"Symbols and more");
  const RECT shortItem = TabRect(tabs.TabWindow(), 0);
  const RECT longItem = TabRect(tabs.TabWindow(), 1);
  EXPECT_EQ(longItem.left, shortItem.right);
  EXPECT_GT(longItem.right - longItem.left, shortItem.right - shortItem.left);
}

}  // namespace
}  // namespace orvavk
