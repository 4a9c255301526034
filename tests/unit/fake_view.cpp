#include "tests/unit/fake_view.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "extract/sfx_state.h"

static bool EqualIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
}

void FakeView::ResetList() { items.clear(); }

void FakeView::AddItem(const std::string& name) {
  auto at = std::find_if(items.begin(), items.end(), [&](const Item& item) {
    return strcasecmp(item.text.c_str(), name.c_str()) > 0;
  });
  items.insert(at, Item{name, false});
}

int FakeView::FindExact(int after, const std::string& name) {
  int count = Count();
  for (int step = 1; step <= count; step++) {
    int index = ((after < 0 ? -1 : after) + step) % count;
    if (EqualIgnoringCase(items[index].text, name)) return index;
  }
  return NoItem;
}

bool FakeView::IsSelected(int index) {
  return index >= 0 && index < Count() && items[index].selected;
}

void FakeView::SetSelected(int index, bool selected) {
  if (index == -1) {
    for (Item& item : items) item.selected = selected;
  } else if (index >= 0 && index < Count()) {
    items[index].selected = selected;
  }
}

int FakeView::SelectedCount() {
  return static_cast<int>(std::count_if(items.begin(), items.end(), [](const Item& i) { return i.selected; }));
}

int FakeView::Count() { return static_cast<int>(items.size()); }

void FakeView::ShowMessage(const std::string& text, const std::string& caption) {
  messages.push_back({text, caption});
  events.push_back(caption);
}

void FakeView::AskPassword() {
  events.push_back("password");
  std::string typed = passwords.empty() ? "" : passwords.front();
  if (!passwords.empty()) passwords.pop_front();
  size_t length = std::min(typed.size(), sizeof sfx.passwordText - 1);
  memcpy(sfx.passwordText, typed.data(), length);
  sfx.passwordText[length] = '\0';
  sfx.passwordLength = static_cast<int32_t>(length);
}

void FakeView::AskOverwrite() {
  events.push_back("overwrite " + sfx.confirmName);
  OverwriteAnswer answer = overwriteAnswers.empty() ? OverwriteAnswer{false, false} : overwriteAnswers.front();
  if (!overwriteAnswers.empty()) overwriteAnswers.pop_front();
  if (answer.dontAskAgain) {
    sfx.policy = answer.yes ? PolicyOverwrite : PolicySkip;
    sfx.confirmAnswer = answer.yes;
  } else if (sfx.policy != PolicyOverwrite) {
    sfx.confirmAnswer = answer.yes;
  }
}

void FakeView::DispatchOneMessage() {
  if (onDispatch) onDispatch();
}

std::vector<std::string> FakeView::Texts() const {
  std::vector<std::string> texts;
  for (const Item& item : items) texts.push_back(item.text);
  return texts;
}

std::vector<std::string> FakeView::SelectedTexts() const {
  std::vector<std::string> texts;
  for (const Item& item : items)
    if (item.selected) texts.push_back(item.text);
  return texts;
}
