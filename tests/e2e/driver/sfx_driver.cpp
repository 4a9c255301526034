// Drives the self-extractor's windows from outside, for the end-to-end tests and the screenshot
// script. It runs under Wine in the same prefix as the program under test and reaches that
// program's windows only through their captions and control IDs, as a user's clicks would.
//
// Commands come from the command line (several separated by a lone "--") or, with no arguments,
// from standard input, one per line with tab-separated arguments, so a test keeps one driver
// for its whole life.
// Every command answers with zero or more data lines starting with "= " and one final line,
// "OK" or "ERR <reason>".
//
// Reads use SendMessageTimeoutW (the W variants are the ones Wine marshals across processes);
// anything that makes the program act is posted, never sent, because the program may be in the
// middle of a run and must not be able to block the driver.

#include <windows.h>

#include "resources/dialog_ids.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD PollInterval = 50;          // ms between looks for a window
constexpr DWORD DefaultWait = 10000;        // ms a wait command waits unless told otherwise
constexpr UINT ReplyTimeout = 5000;         // ms a read may wait for the program to answer
constexpr int MessageTextId = 0xFFFF;       // the static control that holds a message box's text
constexpr size_t LineSize = 4096;           // longest command line taken from standard input
constexpr wchar_t PasswordCaption[] = L"Enter Password...";
constexpr wchar_t OverwriteCaption[] = L"Confirm overwrite of...";

using Args = std::vector<std::string>;

struct Reply {
  std::vector<std::string> data;
  std::string error;  // empty when the command succeeded
};

// Window selection: the image name of the program under test and the caption of the dialog
// that control commands address unless they name another.
std::wstring targetImage;
std::wstring defaultDialog;

std::wstring Widen(const std::string& text) {
  if (text.empty()) return {};
  int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
  std::wstring wide(size_t(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), size);
  return wide;
}

std::string Narrow(const std::wstring& text) {
  if (text.empty()) return {};
  int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string narrow(size_t(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), narrow.data(), size, nullptr,
                      nullptr);
  return narrow;
}

std::wstring BaseName(const std::wstring& path) {
  size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

// Windows of other programs (or of another test's copy of the program) are never touched.
bool BelongsToTarget(HWND window) {
  if (targetImage.empty()) return true;
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return false;
  wchar_t path[MAX_PATH + 1];
  DWORD size = MAX_PATH;
  bool known = QueryFullProcessImageNameW(process, 0, path, &size);
  CloseHandle(process);
  return known && _wcsicmp(BaseName(std::wstring(path, size)).c_str(), targetImage.c_str()) == 0;
}

std::wstring Caption(HWND window) {
  wchar_t text[512];
  int length = GetWindowTextW(window, text, int(std::size(text)));
  return std::wstring(text, size_t(length > 0 ? length : 0));
}

std::wstring ClassName(HWND window) {
  wchar_t name[128];
  int length = GetClassNameW(window, name, int(std::size(name)));
  return std::wstring(name, size_t(length > 0 ? length : 0));
}

BOOL CALLBACK CollectTargetWindow(HWND window, LPARAM list) {
  if (IsWindowVisible(window) && BelongsToTarget(window))
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

std::vector<HWND> TargetWindows() {
  std::vector<HWND> found;
  EnumWindows(CollectTargetWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindByCaption(const std::wstring& caption) {
  for (HWND window : TargetWindows())
    if (Caption(window) == caption) return window;
  return nullptr;
}

// A message box is a dialog with the text control 0xFFFF. The program's own dialogs are told
// apart by their controls: the main dialog has the file list, the two questions field 101.
bool IsMessageBox(HWND window) {
  return ClassName(window) == L"#32770" && GetDlgItem(window, MessageTextId) &&
         !GetDlgItem(window, IDC_FILE_LIST) && !GetDlgItem(window, IDC_PASSWORD) &&
         !GetDlgItem(window, IDC_QUESTION);
}

HWND FindMessageBox() {
  for (HWND window : TargetWindows())
    if (IsMessageBox(window)) return window;
  return nullptr;
}

template <typename Find>
HWND WaitFor(Find find, DWORD timeout) {
  DWORD start = GetTickCount();
  for (;;) {
    if (HWND window = find()) return window;
    if (GetTickCount() - start >= timeout) return nullptr;
    Sleep(PollInterval);
  }
}

bool WaitUntilGone(HWND window, DWORD timeout) {
  return WaitFor([window]() -> HWND { return IsWindowVisible(window) ? nullptr : window; },
                 timeout) != nullptr;
}

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
  return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ReplyTimeout,
                             result) != 0;
}

bool ControlText(HWND control, std::wstring& text) {
  DWORD_PTR length = 0;
  if (!Send(control, WM_GETTEXTLENGTH, 0, 0, &length)) return false;
  std::vector<wchar_t> buffer(length + 1);
  DWORD_PTR copied = 0;
  if (!Send(control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), &copied))
    return false;
  text.assign(buffer.data(), std::min<size_t>(copied, length));
  return true;
}

DWORD Milliseconds(const Args& args, size_t at) {
  return args.size() > at ? DWORD(std::strtoul(args[at].c_str(), nullptr, 10)) : DefaultWait;
}

// The dialog a control command addresses: the one named as its extra argument, else the default.
HWND Dialog(const Args& args, size_t at, Reply& reply) {
  std::wstring caption = args.size() > at ? Widen(args[at]) : defaultDialog;
  HWND dialog = FindByCaption(caption);
  if (!dialog) reply.error = "no window \"" + Narrow(caption) + "\"";
  return dialog;
}

// The control whose ID stands at idAt, in the dialog named at captionAt (or the default one).
HWND Control(const Args& args, size_t idAt, size_t captionAt, Reply& reply) {
  HWND dialog = Dialog(args, captionAt, reply);
  if (!dialog) return nullptr;
  HWND control = GetDlgItem(dialog, std::atoi(args[idAt].c_str()));
  if (!control) reply.error = "no control " + args[idAt];
  return control;
}

// Presses a button the way a click does; the press is queued, so the driver never waits for
// what the program does in answer.
void PostClick(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

// The dialog's control that has the keyboard focus, or null when none has. Asked of the
// program's thread: GetFocus would only see the driver's own.
HWND FocusedControl(HWND dialog) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info)) return nullptr;
  return info.hwndFocus && IsChild(dialog, info.hwndFocus) ? info.hwndFocus : nullptr;
}

// A key goes where the keyboard sends it: to the control with the focus, whose dialog manager
// then turns Tab, Enter and Escape into the dialog's moves and commands.
void PostKey(HWND control, UINT key) {
  PostMessageW(control, WM_KEYDOWN, key, 1);
  PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}

// ---- commands ----

void Target(const Args& args, Reply& reply) {
  targetImage = args.size() > 1 ? Widen(args[1]) : L"";
  if (args.size() > 2) defaultDialog = Widen(args[2]);
  (void)reply;
}

void Windows(const Args&, Reply& reply) {
  for (HWND window : TargetWindows()) {
    reply.data.push_back(ClassName(window) == L"#32770" ? "dialog\t" + Narrow(Caption(window))
                                                        : "window\t" + Narrow(Caption(window)));
  }
}

void Wait(const Args& args, Reply& reply) {
  std::wstring caption = Widen(args.at(1));
  if (!WaitFor([&] { return FindByCaption(caption); }, Milliseconds(args, 2)))
    reply.error = "timed out waiting for \"" + args[1] + "\"";
}

// Waits for any window of the program other than the default dialog; reports its caption.
void WaitDialog(const Args& args, Reply& reply) {
  HWND window = WaitFor(
      [] {
        for (HWND w : TargetWindows())
          if (Caption(w) != defaultDialog) return w;
        return HWND{};
      },
      Milliseconds(args, 1));
  if (window)
    reply.data.push_back(Narrow(Caption(window)));
  else
    reply.error = "no dialog besides the main one";
}

void WaitGone(const Args& args, Reply& reply) {
  std::wstring caption = Widen(args.at(1));
  HWND window = FindByCaption(caption);
  if (window && !WaitUntilGone(window, Milliseconds(args, 2)))
    reply.error = "\"" + args[1] + "\" is still open";
}

// One line per item in list order: "1<TAB>name" for a selected item, "0<TAB>name" otherwise.
// One reading of the file list, "1\tname" for a selected item; false when an item vanished
// or changed while it was read.
bool ReadList(HWND list, std::vector<std::string>& items) {
  items.clear();
  DWORD_PTR count = 0;
  if (!Send(list, LB_GETCOUNT, 0, 0, &count) || LRESULT(count) == LB_ERR) return false;
  // The program may relist between the length and the text: the buffer holds any item's text
  // (an entry name has at most 65,535 bytes), so a longer text read then cannot overrun it.
  std::vector<wchar_t> text(65536 + 1);
  for (DWORD_PTR i = 0; i < count; ++i) {
    DWORD_PTR length = 0, selected = 0;
    if (!Send(list, LB_GETTEXTLEN, i, 0, &length) || LRESULT(length) == LB_ERR || length >= text.size())
      return false;
    DWORD_PTR copied = 0;
    if (!Send(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()), &copied) ||
        LRESULT(copied) == LB_ERR || copied != length || !Send(list, LB_GETSEL, i, 0, &selected))
      return false;
    items.push_back((LRESULT(selected) > 0 ? "1\t" : "0\t") + Narrow(text.data()));
  }
  return true;
}

// A click is posted, so the program may still be rebuilding the list (a click on "Use Stored
// Paths" relists) while it is read: the answer is two readings in a row that agree.
void List(const Args& args, Reply& reply) {
  HWND dialog = Dialog(args, 1, reply);
  if (!dialog) return;
  HWND list = GetDlgItem(dialog, IDC_FILE_LIST);
  std::vector<std::string> last, now;
  bool lastRead = false;
  for (DWORD start = GetTickCount(); GetTickCount() - start < DefaultWait; Sleep(PollInterval)) {
    bool read = list && ReadList(list, now);
    if (read && lastRead && now == last) {
      reply.data = now;
      return;
    }
    lastRead = read;
    last.swap(now);
  }
  reply.error = "the file list does not answer, or keeps changing";
}

void Select(const Args& args, Reply& reply) {
  HWND dialog = Dialog(args, 3, reply);
  if (!dialog) return;
  PostMessageW(GetDlgItem(dialog, IDC_FILE_LIST), LB_SETSEL, std::atoi(args.at(2).c_str()) != 0,
               std::atoi(args.at(1).c_str()));
}

void SetText(const Args& args, Reply& reply) {
  HWND control = Control(args, 1, 3, reply);
  if (!control) return;
  // WM_SETTEXT carries a pointer, so it is sent rather than posted; the timeout keeps a busy
  // program from blocking the driver.
  std::wstring text = Widen(args.at(2));
  if (!Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), nullptr))
    reply.error = "control does not answer";
}

void Text(const Args& args, Reply& reply) {
  HWND control = Control(args, 1, 2, reply);
  if (!control) return;
  std::wstring text;
  if (!ControlText(control, text))
    reply.error = "control does not answer";
  else
    reply.data.push_back(Narrow(text));
}

void Click(const Args& args, Reply& reply) {
  if (HWND button = Control(args, 1, 2, reply)) PostClick(button);
}

// The command a click would send, posted straight to the dialog: what a message dispatched in
// the middle of a run can deliver whatever state the button is in.
void PostCommand(const Args& args, Reply& reply) {
  HWND control = Control(args, 1, 2, reply);
  if (!control) return;
  int id = std::atoi(args[1].c_str());
  PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(control));
}

// Screen coordinates of the control's centre, for a real pointer click from the X side.
void Centre(const Args& args, Reply& reply) {
  HWND control = Control(args, 1, 2, reply);
  RECT rect;
  if (control && GetWindowRect(control, &rect))
    reply.data.push_back(std::to_string((rect.left + rect.right) / 2) + " " +
                         std::to_string((rect.top + rect.bottom) / 2));
}

void Checked(const Args& args, Reply& reply) {
  HWND button = Control(args, 1, 2, reply);
  DWORD_PTR state = 0;
  if (button && Send(button, BM_GETCHECK, 0, 0, &state))
    reply.data.push_back(std::to_string(state));
  else if (button)
    reply.error = "control does not answer";
}

void Enabled(const Args& args, Reply& reply) {
  if (HWND control = Control(args, 1, 2, reply))
    reply.data.push_back(IsWindowEnabled(control) ? "1" : "0");
}

// Waits for a message box, reports its caption and then its text (one line per line), presses OK.
void ReadMessageBox(const Args& args, Reply& reply) {
  HWND box = WaitFor(FindMessageBox, Milliseconds(args, 1));
  if (!box) {
    reply.error = "no message box";
    return;
  }
  std::wstring text;
  ControlText(GetDlgItem(box, MessageTextId), text);
  reply.data.push_back(Narrow(Caption(box)));
  size_t start = 0;
  for (;;) {
    size_t end = text.find(L'\n', start);
    std::wstring line = text.substr(start, end == std::wstring::npos ? end : end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    reply.data.push_back(Narrow(line));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  HWND ok = GetDlgItem(box, IDOK);
  if (ok)
    PostClick(ok);
  else
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  if (!WaitUntilGone(box, DefaultWait)) reply.error = "message box stays open";
}

// Succeeds when no message box shows within the time given.
void NoMessageBox(const Args& args, Reply& reply) {
  if (HWND box = WaitFor(FindMessageBox, Milliseconds(args, 1))) {
    std::wstring text;
    ControlText(GetDlgItem(box, MessageTextId), text);
    reply.error = "unexpected message box \"" + Narrow(Caption(box)) + "\": " + Narrow(text);
  }
}

void Password(const Args& args, Reply& reply) {
  HWND dialog = WaitFor([] { return FindByCaption(PasswordCaption); }, Milliseconds(args, 2));
  if (!dialog) {
    reply.error = "no password prompt";
    return;
  }
  std::wstring text = Widen(args.at(1));
  Send(GetDlgItem(dialog, IDC_PASSWORD), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
       nullptr);
  PostClick(GetDlgItem(dialog, IDOK));
  if (!WaitUntilGone(dialog, DefaultWait)) reply.error = "password prompt stays open";
}

// overwrite yes|no [dont-ask] [ms]: reports the question, answers it.
void Overwrite(const Args& args, Reply& reply) {
  bool dontAsk = args.size() > 2 && args[2] == "dont-ask";
  HWND dialog = WaitFor([] { return FindByCaption(OverwriteCaption); },
                        Milliseconds(args, dontAsk ? 3 : 2));
  if (!dialog) {
    reply.error = "no overwrite question";
    return;
  }
  std::wstring question;
  ControlText(GetDlgItem(dialog, IDC_QUESTION), question);
  reply.data.push_back(Narrow(question));
  if (dontAsk) PostClick(GetDlgItem(dialog, IDC_DONT_ASK_AGAIN));  // queued before the answer
  PostClick(GetDlgItem(dialog, args.at(1) == "yes" ? IDOK : IDCANCEL));
  if (!WaitUntilGone(dialog, DefaultWait)) reply.error = "overwrite question stays open";
}

// The close box: the system command a click on it sends.
void Close(const Args& args, Reply& reply) {
  if (HWND dialog = Dialog(args, 1, reply)) PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

// The ANSI code page in the program's Wine prefix: names stored without the UTF-8 flag and not
// in UTF-8 are read in it.
void AnsiCodePage(const Args&, Reply& reply) { reply.data.push_back(std::to_string(GetACP())); }

// The system's words for an error code, in the prefix's language: what the program shows as the
// reason of a failure.
void SystemText(const Args& args, Reply& reply) {
  wchar_t* text = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      DWORD(std::strtoul(args[1].c_str(), nullptr, 10)), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  if (length == 0) {
    reply.error = "no text for error " + args[1];
    return;
  }
  while (length > 0 && (text[length - 1] == L'\r' || text[length - 1] == L'\n')) length--;
  reply.data.push_back(Narrow(std::wstring(text, length)));
  LocalFree(text);
}

// The ID of the control with the keyboard focus, or "none".
void Focus(const Args& args, Reply& reply) {
  HWND dialog = Dialog(args, 1, reply);
  if (!dialog) return;
  HWND control = FocusedControl(dialog);
  reply.data.push_back(control ? std::to_string(GetDlgCtrlID(control)) : "none");
}

UINT KeyNamed(const std::string& name) {
  static const struct {
    const char* name;
    UINT key;
  } keys[] = {{"escape", VK_ESCAPE}, {"enter", VK_RETURN}, {"space", VK_SPACE}, {"tab", VK_TAB}};
  for (const auto& k : keys)
    if (name == k.name) return k.key;
  return 0;
}

// With no control focused a key reaches nothing a user could see, so the command fails.
void Key(const Args& args, Reply& reply) {
  UINT key = KeyNamed(args.at(1));
  if (!key) {
    reply.error = "unknown key " + args[1];
    return;
  }
  HWND dialog = Dialog(args, 2, reply);
  if (!dialog) return;
  if (HWND control = FocusedControl(dialog))
    PostKey(control, key);
  else
    reply.error = "no control has the keyboard focus";
}

struct Command {
  const char* name;
  size_t minArgs;
  void (*run)(const Args&, Reply&);
};

constexpr Command Commands[] = {
    {"target", 1, Target},          // target IMAGE [DEFAULT-DIALOG-CAPTION]
    {"windows", 1, Windows},        // windows
    {"wait", 2, Wait},              // wait CAPTION [ms]
    {"wait-gone", 2, WaitGone},     // wait-gone CAPTION [ms]
    {"wait-dialog", 1, WaitDialog}, // wait-dialog [ms]
    {"list", 1, List},              // list [CAPTION]
    {"select", 3, Select},          // select INDEX 0|1 [CAPTION]
    {"set-text", 3, SetText},       // set-text ID TEXT [CAPTION]
    {"text", 2, Text},              // text ID [CAPTION]
    {"click", 2, Click},            // click ID [CAPTION]
    {"command", 2, PostCommand},    // command ID [CAPTION]
    {"centre", 2, Centre},          // centre ID [CAPTION]
    {"checked", 2, Checked},        // checked ID [CAPTION]
    {"enabled", 2, Enabled},        // enabled ID [CAPTION]
    {"message-box", 1, ReadMessageBox}, // message-box [ms]
    {"no-message-box", 2, NoMessageBox},  // no-message-box ms
    {"password", 2, Password},      // password TEXT [ms]
    {"overwrite", 2, Overwrite},    // overwrite yes|no [dont-ask] [ms]
    {"close", 1, Close},            // close [CAPTION]
    {"focus", 1, Focus},            // focus [CAPTION]
    {"key", 2, Key},                // key escape|enter|space|tab [CAPTION]
    {"acp", 1, AnsiCodePage},       // acp
    {"system-text", 2, SystemText}, // system-text ERROR-CODE
};

void Emit(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
}

bool Run(const Args& args) {
  Reply reply;
  const Command* command = nullptr;
  for (const Command& c : Commands)
    if (!args.empty() && args[0] == c.name) command = &c;
  if (!command)
    reply.error = "unknown command " + (args.empty() ? std::string() : args[0]);
  else if (args.size() < command->minArgs)
    reply.error = "too few arguments";
  else
    command->run(args, reply);
  for (const std::string& line : reply.data) Emit("= " + line);
  Emit(reply.error.empty() ? "OK" : "ERR " + reply.error);
  std::fflush(stdout);
  return reply.error.empty();
}

Args SplitTabs(const std::string& line) {
  Args args;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    args.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
    if (tab == std::string::npos) return args;
    start = tab + 1;
  }
}

int Serve() {
  char line[LineSize];
  while (std::fgets(line, sizeof line, stdin)) {
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text == "quit") break;
    Run(SplitTabs(text));
  }
  return 0;
}

// The command line, as UTF-8 arguments.
Args CommandLineArgs() {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  Args args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace

int main() {
  Args args = CommandLineArgs();
  if (args.empty()) return Serve();
  Args command;
  for (size_t i = 0; i <= args.size(); ++i) {
    if (i < args.size() && args[i] != "--") {
      command.push_back(args[i]);
      continue;
    }
    if (!Run(command)) return 1;
    command.clear();
  }
  return 0;
}
