#include "tests/unit/fake_view.h"

#include "extract/sfx_state.h"

void FakeView::ResetList() { list.Clear(); }
void FakeView::AddItem(const std::string& name) { list.Add(name); }
int FakeView::FindExact(int after, const std::string& name) { return list.FindExact(after, name); }
bool FakeView::IsSelected(int index) { return list.IsSelected(index); }
void FakeView::SetSelected(int index, bool selected) { list.SetSelected(index, selected); }
int FakeView::SelectedCount() { return list.SelectedCount(); }
int FakeView::Count() { return list.Count(); }

void FakeView::SelectAll(bool selected) {
  for (int i = 0; i < Count(); i++) SetSelected(i, selected);
}

void FakeView::ShowMessage(const std::string& text, const std::string& caption) {
  messages.push_back({text, caption});
  events.push_back(caption);
}

void FakeView::AskPassword() {
  events.push_back("password");
  std::string typed = passwords.empty() ? "" : passwords.front();
  if (!passwords.empty()) passwords.pop_front();
  SetPasswordText(typed);
}

void FakeView::AskOverwrite() {
  events.push_back("overwrite " + sfx.confirmName);
  OverwriteAnswer answer = overwriteAnswers.empty() ? OverwriteAnswer{false, false} : overwriteAnswers.front();
  if (!overwriteAnswers.empty()) overwriteAnswers.pop_front();
  if (answer.dontAskAgain) sfx.policy = answer.yes ? PolicyOverwrite : PolicySkip;
  sfx.confirmAnswer = answer.yes;
}

void FakeView::DispatchOneMessage() {
  if (onDispatch) onDispatch();
}

std::vector<std::string> FakeView::Texts() {
  std::vector<std::string> texts;
  for (int i = 0; i < Count(); i++) texts.push_back(list.Text(i));
  return texts;
}

std::vector<std::string> FakeView::SelectedTexts() {
  std::vector<std::string> texts;
  for (int i = 0; i < Count(); i++)
    if (IsSelected(i)) texts.push_back(list.Text(i));
  return texts;
}
