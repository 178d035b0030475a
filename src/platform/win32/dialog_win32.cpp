// The settings dialog's Win32 view: a modeless dialog of standard controls.
//
// Windowed controls (buttons, check boxes, radio buttons, group boxes, the
// tab control, edit boxes with up-down arrows, the colour list, the rich
// edit box) are real Win32 controls. Frames, pictures and labels have no
// window of their own: their container (the dialog or a page) draws them in
// z-order and finds the one under the mouse for clicks, cursors and
// tooltips, so that a label can lie on a picture and a picture can cover a
// label. Pages are child dialogs inside the tab control.
//
// The layout comes in pixels at 96 DPI and is scaled to the DPI of the
// monitor the dialog is on; when the dialog moves to a monitor of another
// DPI (the program is per-monitor DPI aware), fonts and layout follow.
#include "platform/win32/dialog_win32.h"

#include <commctrl.h>
#include <commdlg.h>
#include <richedit.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace kestro::platform {

namespace {

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

constexpr int kControlIdBase = 100;  // Win32 control id = kControlIdBase + ControlId
constexpr UINT kTextCallback = 0;

// ---------------------------------------------------------------- DPI

// Functions of newer systems, looked up once; missing ones fall back.
struct DpiFunctions {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  using ParametersForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  using DialogDpiBehaviorFn = BOOL(WINAPI*)(HWND, int, int);

  GetDpiForWindowFn getDpiForWindow = nullptr;
  AdjustForDpiFn adjustWindowRectExForDpi = nullptr;
  ParametersForDpiFn systemParametersInfoForDpi = nullptr;
  DialogDpiBehaviorFn setDialogDpiChangeBehavior = nullptr;

  DpiFunctions() {
    if (HMODULE user = GetModuleHandleA("user32.dll")) {
      getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
          reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
      adjustWindowRectExForDpi = reinterpret_cast<AdjustForDpiFn>(
          reinterpret_cast<void*>(GetProcAddress(user, "AdjustWindowRectExForDpi")));
      systemParametersInfoForDpi = reinterpret_cast<ParametersForDpiFn>(
          reinterpret_cast<void*>(GetProcAddress(user, "SystemParametersInfoForDpi")));
      setDialogDpiChangeBehavior = reinterpret_cast<DialogDpiBehaviorFn>(
          reinterpret_cast<void*>(GetProcAddress(user, "SetDialogDpiChangeBehavior")));
    }
  }
};

// A library of the system folder, never one lying beside the program.
HMODULE LoadSystemLibrary(const char* name) {
  char folder[MAX_PATH + 1] = {};
  const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return nullptr;
  return LoadLibraryA((std::string(folder, n) + "\\" + name).c_str());
}

const DpiFunctions& Dpi() {
  static const DpiFunctions functions;
  return functions;
}

UINT WindowDpi(HWND hwnd) {
  if (Dpi().getDpiForWindow != nullptr) {
    const UINT dpi = Dpi().getDpiForWindow(hwnd);
    if (dpi > 0) return dpi;
  }
  HDC screen = GetDC(nullptr);
  const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// The system's message font (the font of current Windows dialogs) at a DPI.
LOGFONTW MessageFont(UINT dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (Dpi().systemParametersInfoForDpi != nullptr &&
      Dpi().systemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) {
    return metrics.lfMessageFont;
  }
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    // Given at the system's DPI: scale it to this one.
    HDC screen = GetDC(nullptr);
    const int system = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, static_cast<int>(dpi),
                                              system > 0 ? system : 96);
    return metrics.lfMessageFont;
  }
  LOGFONTW font{};
  font.lfHeight = -::MulDiv(11, static_cast<int>(dpi), 96);
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpyW(font.lfFaceName, L"MS Shell Dlg 2");
  return font;
}

// ---------------------------------------------------------------- templates

// An in-memory dialog template without controls: the controls are made
// afterwards, in pixels.
std::vector<WORD> EmptyTemplate(DWORD style, DWORD exStyle) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
  t->style = style;
  t->dwExtendedStyle = exStyle;
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  words.push_back(0);  // no caption (set afterwards)
  if ((style & DS_SETFONT) != 0) {
    words.push_back(8);
    for (const char c : std::string("MS Shell Dlg")) words.push_back(static_cast<WORD>(c));
    words.push_back(0);
  }
  return words;
}

bool IsWindowed(ControlKind kind) {
  return kind != ControlKind::kFrame && kind != ControlKind::kPicture && kind != ControlKind::kLabel;
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\0') break;  // the control would end the text there anyway
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out.push_back(c);
    }
  }
  return out;
}

class Win32Dialog;

// The dialogs open now, for the message loop.
std::vector<Win32Dialog*>& OpenDialogs() {
  static std::vector<Win32Dialog*> dialogs;
  return dialogs;
}

// ---------------------------------------------------------------- the view

class Win32Dialog final : public DialogView {
 public:
  explicit Win32Dialog(const DialogLayout& layout);
  ~Win32Dialog() override;
  Win32Dialog(const Win32Dialog&) = delete;
  Win32Dialog& operator=(const Win32Dialog&) = delete;

  void Show() override;
  void Close() override;
  void SetText(ControlId id, const std::string& text) override;
  std::string Text(ControlId id) const override;
  void SetChecked(ControlId id, bool checked) override;
  bool Checked(ControlId id) const override;
  void SetEnabled(ControlId id, bool enabled) override;
  bool Enabled(ControlId id) const override;
  void SetVisible(ControlId id, bool visible) override;
  bool Visible(ControlId id) const override;
  void SetColor(ControlId id, std::uint32_t color) override;
  std::uint32_t Color(ControlId id) const override;
  void SetFont(ControlId id, const ControlFont& font) override;
  void SetCursor(ControlId id, ControlCursor cursor) override;
  void SetHint(ControlId id, const std::string& hint) override;
  void SetHintDelay(std::uint32_t milliseconds) override;
  void SetPicture(ControlId id, const ConstPixels& pixels) override;
  void BringToFront(ControlId id) override;
  void SetBounds(ControlId id, const TRect& bounds) override;
  TRect Bounds(ControlId id) const override;
  void SetActivePage(ControlId page) override;
  ControlId ActivePage() const override { return activePage_; }

  HWND Handle() const { return dialog_; }
  // Ctrl+Tab and friends, then the dialog manager.
  bool TakeMessage(MSG& msg);

 private:
  struct Item : ControlState {
    HWND hwnd = nullptr;     // windowed controls
    HWND buddy = nullptr;    // spin boxes: the up-down control beside the edit box
    ControlId container = 0; // the dialog (0) or the page it lies on
    TPoint textSize;         // labels: the text's size, device pixels
    std::vector<std::uint8_t> pixels;  // pictures: bottom-up rows, 4-byte aligned
    BITMAPINFOHEADER header{};
  };

  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(HWND container, UINT message, WPARAM wParam, LPARAM lParam);

  Item* Find(ControlId id);
  const Item* Find(ControlId id) const;
  ControlId ContainerOf(const ControlLayout& layout) const;
  HWND ContainerWindow(ControlId container) const;
  std::int32_t Scale(std::int32_t value) const { return ::MulDiv(value, static_cast<int>(dpi_), 96); }
  std::int32_t Unscale(std::int32_t value) const { return ::MulDiv(value, 96, static_cast<int>(dpi_)); }
  // The control's place in its container's client area, device pixels.
  RECT DeviceRect(const Item& item) const;
  HFONT FontFor(const ControlFont& font);
  void CreateControls();
  void CreateControl(Item& item);
  void Relayout();
  void PlacePages();
  void MeasureLabel(Item& item);
  void RebuildTabs();
  void ShowActivePage();
  void RefreshTools(ControlId container);
  void InvalidateItem(const Item& item);
  void PaintGraphics(ControlId container, HDC dc);
  ControlId GraphicAt(ControlId container, POINT point) const;
  bool ItemShown(const Item& item) const;
  void Click(ControlId id);
  void PickCustomColor(Item& item);
  void UpdateRadioTabStop(const Item& radio);
  void ApplyDpi(UINT dpi);

  DialogLayout layout_;
  std::vector<WORD> mainTemplate_;
  std::vector<WORD> pageTemplate_;
  std::map<ControlId, Item> items_;
  std::map<ControlId, HWND> pages_;  // page id -> child dialog
  HWND dialog_ = nullptr;
  HWND tabs_ = nullptr;
  ControlId tabsId_ = 0;
  HWND tooltip_ = nullptr;
  UINT dpi_ = 96;
  std::map<std::tuple<std::string, std::int32_t, bool>, HFONT> fonts_;
  ControlId activePage_ = 0;
  std::vector<ControlId> tabPages_;  // the pages whose tabs show, in tab order
  ControlId pressed_ = 0;            // the graphic the left button went down on
  int nextZ_ = 0;
  int lastColorIndex_ = -1;          // the colour list's entry before a custom pick
  bool closed_ = false;
  HMODULE richEdit_ = nullptr;  // the memo's rich edit class
  HMODULE theme_ = nullptr;     // the themed page background
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
};

Win32Dialog::Win32Dialog(const DialogLayout& layout) : layout_(layout) {
  INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX),
                            ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_BAR_CLASSES};
  InitCommonControlsEx(&init);
  // The rich edit box of the memo (a plain edit box where it is missing).
  richEdit_ = LoadSystemLibrary("riched20.dll");
  theme_ = LoadSystemLibrary("uxtheme.dll");

  items_ = InitialControlStates<Item>(layout_);
  nextZ_ = static_cast<int>(layout_.controls.size());
  for (const ControlLayout& c : layout_.controls) {
    if (c.kind == ControlKind::kPageControl) tabsId_ = c.id;
    if (c.kind == ControlKind::kPage && activePage_ == 0) activePage_ = c.id;
  }
  for (auto& [id, item] : items_) item.container = ContainerOf(item.layout);

  // A dialog frame with only the system-menu button; hidden until shown.
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | DS_MODALFRAME | DS_SETFONT;
  mainTemplate_ = EmptyTemplate(style, WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT);
  pageTemplate_ = EmptyTemplate(WS_CHILD | DS_CONTROL | DS_SETFONT, WS_EX_CONTROLPARENT);
  dialog_ = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                       reinterpret_cast<const DLGTEMPLATE*>(mainTemplate_.data()), nullptr,
                                       &Win32Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
  if (dialog_ == nullptr) return;
  if (Dpi().setDialogDpiChangeBehavior != nullptr) {
    // This view scales its own layout and fonts (DDC_DISABLE_ALL).
    Dpi().setDialogDpiChangeBehavior(dialog_, 1, 1);
  }
  SetWindowTextA(dialog_, layout_.caption.c_str());
  HINSTANCE instance = GetModuleHandleA(nullptr);
  bigIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                           GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (bigIcon_ != nullptr) SendMessageA(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  if (smallIcon_ != nullptr) SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                             0, 0, dialog_, nullptr, instance, nullptr);
  dpi_ = WindowDpi(dialog_);
  CreateControls();
  Relayout();
  OpenDialogs().push_back(this);
}

Win32Dialog::~Win32Dialog() {
  auto& open = OpenDialogs();
  open.erase(std::remove(open.begin(), open.end(), this), open.end());
  if (dialog_ != nullptr) {
    SetWindowLongPtrA(dialog_, DWLP_USER, 0);
    for (const auto& [id, page] : pages_) SetWindowLongPtrA(page, DWLP_USER, 0);
    DestroyWindow(dialog_);
  }
  for (const auto& [key, font] : fonts_) DeleteObject(font);
  if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
  if (richEdit_ != nullptr) FreeLibrary(richEdit_);
  if (theme_ != nullptr) FreeLibrary(theme_);
}

Win32Dialog::Item* Win32Dialog::Find(ControlId id) {
  const auto hit = items_.find(id);
  return hit == items_.end() ? nullptr : &hit->second;
}

const Win32Dialog::Item* Win32Dialog::Find(ControlId id) const {
  const auto hit = items_.find(id);
  return hit == items_.end() ? nullptr : &hit->second;
}

ControlId Win32Dialog::ContainerOf(const ControlLayout& layout) const {
  ControlId parent = layout.parent;
  while (parent != 0) {
    const Item* p = Find(parent);
    if (p == nullptr) return 0;
    if (p->layout.kind == ControlKind::kPage) return parent;
    parent = p->layout.parent;
  }
  return 0;
}

HWND Win32Dialog::ContainerWindow(ControlId container) const {
  if (container == 0) return dialog_;
  const auto page = pages_.find(container);
  return page != pages_.end() ? page->second : nullptr;
}

RECT Win32Dialog::DeviceRect(const Item& item) const {
  if (item.layout.fillParent) {
    RECT r{};
    if (const Item* parent = Find(item.layout.parent)) {
      if (parent->layout.kind == ControlKind::kPage) {
        GetClientRect(ContainerWindow(parent->layout.id), &r);
        return r;
      }
      r = DeviceRect(*parent);
      return {0, 0, r.right - r.left, r.bottom - r.top};
    }
    GetClientRect(dialog_, &r);
    return r;
  }
  // Offsets of the groups between the control and its container.
  TRect b = item.bounds;
  for (const Item* p = Find(item.layout.parent); p != nullptr && p->layout.kind != ControlKind::kPage;
       p = Find(p->layout.parent)) {
    b = b.Offset(p->bounds.Left, p->bounds.Top);
  }
  RECT r{Scale(b.Left), Scale(b.Top), Scale(b.Right), Scale(b.Bottom)};
  if (item.layout.kind == ControlKind::kLabel) {
    if (item.layout.alignRight) {
      r.left = r.right - item.textSize.X;
    } else {
      r.right = r.left + item.textSize.X;
    }
    r.bottom = r.top + item.textSize.Y;
  }
  return r;
}

HFONT Win32Dialog::FontFor(const ControlFont& font) {
  const auto key = std::make_tuple(font.name, font.height, font.underline);
  const auto hit = fonts_.find(key);
  if (hit != fonts_.end()) return hit->second;
  LOGFONTW lf = MessageFont(dpi_);
  if (!font.name.empty()) {
    WCHAR face[LF_FACESIZE] = {};
    MultiByteToWideChar(CP_ACP, 0, font.name.c_str(), -1, face, LF_FACESIZE - 1);
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    lf.lfCharSet = DEFAULT_CHARSET;
  }
  if (font.height > 0) lf.lfHeight = -Scale(font.height);
  lf.lfUnderline = font.underline ? TRUE : FALSE;
  HFONT made = CreateFontIndirectW(&lf);
  fonts_[key] = made;
  return made;
}

// ---------------------------------------------------------------- creation

void Win32Dialog::CreateControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  // The page control and its pages first: the pages are the containers of
  // the controls that follow them.
  for (const ControlLayout& c : layout_.controls) {
    Item& item = items_[c.id];
    if (c.kind == ControlKind::kPageControl) {
      tabs_ = CreateWindowExA(WS_EX_CONTROLPARENT, WC_TABCONTROLA, "",
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, 0, 0,
                              dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlIdBase + c.id)),
                              instance, nullptr);
      item.hwnd = tabs_;
      SendMessageA(tabs_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor({})), FALSE);
    } else if (c.kind == ControlKind::kPage && tabs_ != nullptr) {
      HWND page = CreateDialogIndirectParamA(instance, reinterpret_cast<const DLGTEMPLATE*>(pageTemplate_.data()),
                                             tabs_, &Win32Dialog::DialogProc, reinterpret_cast<LPARAM>(this));
      if (page == nullptr) continue;
      pages_[c.id] = page;
      item.hwnd = page;
      SetWindowLongPtrA(page, GWLP_ID, kControlIdBase + c.id);
      if (Dpi().setDialogDpiChangeBehavior != nullptr) Dpi().setDialogDpiChangeBehavior(page, 1, 1);
      using ThemeTextureFn = HRESULT(WINAPI*)(HWND, DWORD);
      if (const auto texture = theme_ == nullptr ? nullptr
                                                 : reinterpret_cast<ThemeTextureFn>(reinterpret_cast<void*>(
                                                       GetProcAddress(theme_, "EnableThemeDialogTexture")))) {
        texture(page, 6 /* ETDT_ENABLETAB: the tab body's look */);
      }
    }
  }
  for (const ControlLayout& c : layout_.controls) {
    Item& item = items_[c.id];
    if (IsWindowed(c.kind) && c.kind != ControlKind::kPageControl && c.kind != ControlKind::kPage) {
      CreateControl(item);
    }
    if (c.kind == ControlKind::kLabel) MeasureLabel(item);
  }
  RebuildTabs();
}

void Win32Dialog::CreateControl(Item& item) {
  const ControlLayout& c = item.layout;
  HWND parent = ContainerWindow(item.container);
  if (parent == nullptr) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const char* className = WC_BUTTONA;
  DWORD style = WS_CHILD | WS_GROUP;
  DWORD exStyle = 0;
  std::string text = c.text;
  // A radio button after another of the same group continues the group.
  bool groupStart = true;
  switch (c.kind) {
    case ControlKind::kGroup:
      style |= BS_GROUPBOX;
      break;
    case ControlKind::kRadio: {
      style |= BS_AUTORADIOBUTTON;
      for (const ControlLayout& other : layout_.controls) {
        if (other.id == c.id) break;
        if (other.kind == ControlKind::kRadio && other.parent == c.parent) groupStart = false;
      }
      if (groupStart) style |= WS_TABSTOP;
      break;
    }
    case ControlKind::kCheck:
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case ControlKind::kButton:
      style |= (c.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP;
      break;
    case ControlKind::kColorList:
      className = WC_COMBOBOXA;
      style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL | WS_TABSTOP;
      text.clear();
      break;
    case ControlKind::kSpin:
      className = WC_EDITA;
      style |= ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP;
      exStyle |= WS_EX_CLIENTEDGE;
      text = std::to_string(c.minValue);
      break;
    case ControlKind::kMemo: {
      const bool rich = richEdit_ != nullptr;
      className = rich ? "RichEdit20A" : WC_EDITA;
      style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
      if (rich) style |= ES_DISABLENOSCROLL;
      exStyle |= WS_EX_CLIENTEDGE;
      text = WithCrLf(text);
      break;
    }
    default:
      return;
  }
  if (!groupStart) style &= ~static_cast<DWORD>(WS_GROUP);
  if (item.visible) style |= WS_VISIBLE;
  item.hwnd = CreateWindowExA(exStyle, className, text.c_str(), style, 0, 0, 0, 0, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlIdBase + c.id)), instance, nullptr);
  if (item.hwnd == nullptr) return;
  SendMessageA(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(item.font)), FALSE);

  if (c.kind == ControlKind::kSpin) {
    item.buddy = CreateWindowExA(0, UPDOWN_CLASSA, "",
                                 WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS |
                                     UDS_NOTHOUSANDS | UDS_HOTTRACK,
                                 0, 0, 0, 0, parent, nullptr, instance, nullptr);
    SendMessageA(item.buddy, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item.hwnd), 0);
    SendMessageA(item.buddy, UDM_SETRANGE32, static_cast<WPARAM>(c.minValue), static_cast<LPARAM>(c.maxValue));
    SendMessageA(item.buddy, UDM_SETPOS32, 0, static_cast<LPARAM>(c.minValue));
    SendMessageA(item.hwnd, EM_SETLIMITTEXT, 10, 0);
  } else if (c.kind == ControlKind::kColorList) {
    for (const ColorItem& entry : c.colors) {
      const auto index = SendMessageA(item.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.name.c_str()));
      SendMessageA(item.hwnd, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(entry.color));
    }
    SendMessageA(item.hwnd, CB_SETCURSEL, 0, 0);
  } else if (c.kind == ControlKind::kMemo) {
    if (std::string(className) != WC_EDITA) {
      SendMessageA(item.hwnd, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
      SendMessageA(item.hwnd, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
    } else {
      SendMessageA(item.hwnd, EM_SETLIMITTEXT, 0, 0);
    }
  } else if (c.kind == ControlKind::kButton && c.isDefault) {
    SendMessageA(parent, DM_SETDEFID, kControlIdBase + c.id, 0);
  }
  if (!c.hint.empty() || c.kind == ControlKind::kRadio || c.kind == ControlKind::kCheck) {
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = parent;
    tool.uId = reinterpret_cast<UINT_PTR>(item.hwnd);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

// ---------------------------------------------------------------- layout

void Win32Dialog::ApplyDpi(UINT dpi) {
  dpi_ = dpi;
  for (const auto& [key, font] : fonts_) DeleteObject(font);
  fonts_.clear();
  for (auto& [id, item] : items_) {
    if (item.hwnd != nullptr && item.layout.kind != ControlKind::kPage) {
      SendMessageA(item.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(item.font)), FALSE);
    }
    if (item.layout.kind == ControlKind::kLabel) MeasureLabel(item);
  }
  Relayout();
}

void Win32Dialog::Relayout() {
  // The frame around a client area of the layout's size at this DPI.
  const LONG style = GetWindowLongA(dialog_, GWL_STYLE);
  const LONG exStyle = GetWindowLongA(dialog_, GWL_EXSTYLE);
  RECT frame{0, 0, Scale(layout_.clientWidth), Scale(layout_.clientHeight)};
  if (Dpi().adjustWindowRectExForDpi != nullptr) {
    Dpi().adjustWindowRectExForDpi(&frame, static_cast<DWORD>(style), FALSE, static_cast<DWORD>(exStyle), dpi_);
  } else {
    AdjustWindowRectEx(&frame, static_cast<DWORD>(style), FALSE, static_cast<DWORD>(exStyle));
  }
  SetWindowPos(dialog_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (tabs_ != nullptr) {
    const RECT r = DeviceRect(items_[tabsId_]);
    SetWindowPos(tabs_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    PlacePages();
  }
  for (auto& [id, item] : items_) {
    if (item.hwnd == nullptr || item.layout.kind == ControlKind::kPage || item.layout.kind == ControlKind::kPageControl) {
      continue;
    }
    const RECT r = DeviceRect(item);
    const int height = item.layout.kind == ControlKind::kColorList ? Scale(200) : r.bottom - r.top;  // with its list
    SetWindowPos(item.hwnd, nullptr, r.left, r.top, r.right - r.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    if (item.buddy != nullptr) {
      // The arrows take their place at the edit box's right edge again.
      SetWindowPos(item.buddy, nullptr, r.right, r.top, Scale(17), r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
      SendMessageA(item.buddy, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item.hwnd), 0);
    }
    if (item.layout.kind == ControlKind::kColorList) {
      HDC dc = GetDC(item.hwnd);
      HGDIOBJ old = SelectObject(dc, FontFor(item.font));
      TEXTMETRICA metrics{};
      GetTextMetricsA(dc, &metrics);
      SelectObject(dc, old);
      ReleaseDC(item.hwnd, dc);
      const int line = std::max<int>(metrics.tmHeight + Scale(4), Scale(16));
      SendMessageA(item.hwnd, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), line);
      SendMessageA(item.hwnd, CB_SETITEMHEIGHT, 0, line);
    }
  }
  for (const auto& [page, hwnd] : pages_) RefreshTools(page);
  RefreshTools(0);
  InvalidateRect(dialog_, nullptr, TRUE);
}

void Win32Dialog::PlacePages() {
  RECT area{};
  GetClientRect(tabs_, &area);
  SendMessageA(tabs_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  for (const auto& [id, page] : pages_) {
    SetWindowPos(page, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void Win32Dialog::MeasureLabel(Item& item) {
  HDC dc = GetDC(dialog_);
  HGDIOBJ old = SelectObject(dc, FontFor(item.font));
  RECT r{0, 0, 0, 0};
  const UINT format = DT_SINGLELINE | DT_CALCRECT | (item.layout.noPrefix ? DT_NOPREFIX : 0);
  if (item.text.empty()) {
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    r.bottom = metrics.tmHeight;
  } else {
    DrawTextA(dc, item.text.c_str(), static_cast<int>(item.text.size()), &r, format);
  }
  SelectObject(dc, old);
  ReleaseDC(dialog_, dc);
  item.textSize = {r.right - r.left, r.bottom - r.top};
}

void Win32Dialog::RebuildTabs() {
  if (tabs_ == nullptr) return;
  SendMessageA(tabs_, TCM_DELETEALLITEMS, 0, 0);
  tabPages_.clear();
  for (const ControlLayout& c : layout_.controls) {
    if (c.kind != ControlKind::kPage || !items_[c.id].visible) continue;
    TCITEMA tab{};
    tab.mask = TCIF_TEXT;
    std::string text = c.text;
    tab.pszText = text.data();
    SendMessageA(tabs_, TCM_INSERTITEMA, tabPages_.size(), reinterpret_cast<LPARAM>(&tab));
    tabPages_.push_back(c.id);
  }
  ShowActivePage();
}

void Win32Dialog::ShowActivePage() {
  const auto tab = std::find(tabPages_.begin(), tabPages_.end(), activePage_);
  SendMessageA(tabs_, TCM_SETCURSEL, tab == tabPages_.end() ? static_cast<WPARAM>(-1) : tab - tabPages_.begin(), 0);
  // The active page shows even when its tab is hidden, as the page itself is.
  for (const auto& [id, page] : pages_) ShowWindow(page, id == activePage_ ? SW_SHOWNA : SW_HIDE);
}

// ---------------------------------------------------------------- drawn controls

bool Win32Dialog::ItemShown(const Item& item) const {
  for (const Item* p = &item; p != nullptr; p = Find(p->layout.parent)) {
    if (p->layout.kind == ControlKind::kPage) return true;
    if (!p->visible) return false;
  }
  return true;
}

void Win32Dialog::InvalidateItem(const Item& item) {
  if (item.hwnd != nullptr) {
    InvalidateRect(item.hwnd, nullptr, TRUE);
    return;
  }
  const RECT r = DeviceRect(item);
  InvalidateRect(ContainerWindow(item.container), &r, TRUE);
}

void Win32Dialog::PaintGraphics(ControlId container, HDC dc) {
  std::vector<const Item*> drawn;
  for (const auto& [id, item] : items_) {
    if (!IsWindowed(item.layout.kind) && item.container == container && ItemShown(item)) drawn.push_back(&item);
  }
  std::sort(drawn.begin(), drawn.end(), [](const Item* a, const Item* b) { return a->z < b->z; });
  for (const Item* item : drawn) {
    const RECT r = DeviceRect(*item);
    switch (item->layout.kind) {
      case ControlKind::kFrame: {
        const int width = std::max(1, Scale(1));
        HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        const RECT edges[] = {{r.left, r.top, r.right, r.top + width},
                              {r.left, r.bottom - width, r.right, r.bottom},
                              {r.left, r.top, r.left + width, r.bottom},
                              {r.right - width, r.top, r.right, r.bottom}};
        for (const RECT& edge : edges) FillRect(dc, &edge, black);
        break;
      }
      case ControlKind::kPicture: {
        if (item->pixels.empty()) break;
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        BITMAPINFO info{};
        info.bmiHeader = item->header;
        StretchDIBits(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, 0, 0, item->header.biWidth,
                      item->header.biHeight, item->pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
        break;
      }
      case ControlKind::kLabel: {
        HGDIOBJ old = SelectObject(dc, FontFor(item->font));
        SetBkMode(dc, TRANSPARENT);
        COLORREF color = GetSysColor(COLOR_BTNTEXT);
        if (item->font.color) color = static_cast<COLORREF>(*item->font.color & 0xFFFFFF);
        if (!item->enabled) color = GetSysColor(COLOR_GRAYTEXT);
        SetTextColor(dc, color);
        RECT box = r;
        DrawTextA(dc, item->text.c_str(), static_cast<int>(item->text.size()), &box,
                  DT_SINGLELINE | DT_NOCLIP | (item->layout.noPrefix ? DT_NOPREFIX : 0));
        SelectObject(dc, old);
        break;
      }
      default:
        break;
    }
  }
}

ControlId Win32Dialog::GraphicAt(ControlId container, POINT point) const {
  ControlId hit = 0;
  int z = -1;
  for (const auto& [id, item] : items_) {
    if (IsWindowed(item.layout.kind) || item.container != container || !ItemShown(item) || item.z < z) continue;
    const RECT r = DeviceRect(item);
    if (PtInRect(&r, point)) {
      hit = id;
      z = item.z;
    }
  }
  return hit;
}

// The tooltips of the drawn controls: one tool each, the topmost first, so
// that the tooltip finds the control the mouse is really on.
void Win32Dialog::RefreshTools(ControlId container) {
  HWND owner = ContainerWindow(container);
  if (tooltip_ == nullptr || owner == nullptr) return;
  std::vector<const Item*> drawn;
  for (const auto& [id, item] : items_) {
    if (IsWindowed(item.layout.kind) || item.container != container) continue;
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = owner;
    tool.uId = static_cast<UINT_PTR>(id);
    SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    if (ItemShown(item)) drawn.push_back(&item);
  }
  std::sort(drawn.begin(), drawn.end(), [](const Item* a, const Item* b) { return a->z > b->z; });
  for (const Item* item : drawn) {
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = static_cast<UINT_PTR>(item->layout.id);
    tool.rect = DeviceRect(*item);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Win32Dialog::Click(ControlId id) {
  if (onClick) onClick(id);
}

// Tab reaches a group of radio buttons at its ticked one (the first while
// none is ticked); the arrow keys move within the group.
void Win32Dialog::UpdateRadioTabStop(const Item& radio) {
  std::vector<HWND> group;
  HWND ticked = nullptr;
  for (const ControlLayout& c : layout_.controls) {
    const Item* other = Find(c.id);
    if (c.kind != ControlKind::kRadio || c.parent != radio.layout.parent || other->hwnd == nullptr) continue;
    group.push_back(other->hwnd);
    if (ticked == nullptr && SendMessageA(other->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) ticked = other->hwnd;
  }
  if (group.empty()) return;
  const HWND stop = ticked != nullptr ? ticked : group.front();
  for (HWND hwnd : group) {
    const LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    SetWindowLongA(hwnd, GWL_STYLE, hwnd == stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
  }
}

void Win32Dialog::PickCustomColor(Item& item) {
  const int index = static_cast<int>(SendMessageA(item.hwnd, CB_GETCURSEL, 0, 0));
  if (index < 0 || static_cast<std::size_t>(index) >= item.layout.colors.size()) return;
  if (!item.layout.colors[static_cast<std::size_t>(index)].custom) {
    lastColorIndex_ = index;
    return;
  }
  static COLORREF customColors[16] = {};
  CHOOSECOLORA choose{};
  choose.lStructSize = sizeof choose;
  choose.hwndOwner = dialog_;
  choose.rgbResult = static_cast<COLORREF>(SendMessageA(item.hwnd, CB_GETITEMDATA, index, 0));
  choose.lpCustColors = customColors;
  choose.Flags = CC_RGBINIT | CC_FULLOPEN;
  if (ChooseColorA(&choose)) {
    SendMessageA(item.hwnd, CB_SETITEMDATA, index, static_cast<LPARAM>(choose.rgbResult & 0xFFFFFF));
    lastColorIndex_ = index;
    InvalidateRect(item.hwnd, nullptr, TRUE);
  } else if (lastColorIndex_ >= 0) {
    SendMessageA(item.hwnd, CB_SETCURSEL, lastColorIndex_, 0);
  }
}

// ---------------------------------------------------------------- messages

INT_PTR CALLBACK Win32Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    return FALSE;  // the view sets the focus itself
  }
  auto* self = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (self == nullptr) return FALSE;
  try {
    return self->OnMessage(hwnd, message, wParam, lParam);
  } catch (...) {
    return FALSE;  // a handler's error never leaves the window procedure
  }
}

INT_PTR Win32Dialog::OnMessage(HWND container, UINT message, WPARAM wParam, LPARAM lParam) {
  ControlId containerId = 0;
  for (const auto& [id, page] : pages_) {
    if (page == container) containerId = id;
  }
  auto result = [container](LRESULT value) {
    SetWindowLongPtrA(container, DWLP_MSGRESULT, value);
    return TRUE;
  };
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(container, &ps);
      PaintGraphics(containerId, dc);
      EndPaint(container, &ps);
      return TRUE;
    }
    case WM_PRINTCLIENT:
      // Themed controls ask for their parent's look behind them.
      PaintGraphics(containerId, reinterpret_cast<HDC>(wParam));
      return TRUE;
    case WM_LBUTTONDOWN: {
      const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      pressed_ = GraphicAt(containerId, at);
      return TRUE;
    }
    case WM_LBUTTONUP: {
      const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      const ControlId hit = GraphicAt(containerId, at);
      const ControlId down = pressed_;
      pressed_ = 0;
      if (hit != 0 && hit == down) Click(hit);
      return TRUE;
    }
    case WM_SETCURSOR: {
      if (reinterpret_cast<HWND>(wParam) != container || LOWORD(lParam) != HTCLIENT) return FALSE;
      POINT at;
      GetCursorPos(&at);
      ScreenToClient(container, &at);
      const Item* item = Find(GraphicAt(containerId, at));
      if (item == nullptr || item->cursor != ControlCursor::kHand) return FALSE;
      ::SetCursor(LoadCursor(nullptr, IDC_HAND));
      return result(TRUE);
    }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) {
        const auto index = static_cast<std::size_t>(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0));
        if (index < tabPages_.size()) {
          activePage_ = tabPages_[index];
          ShowActivePage();
        }
        return TRUE;
      }
      if (header->hwndFrom == tooltip_ && header->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        ControlId id = static_cast<ControlId>(info->hdr.idFrom);
        if ((info->uFlags & TTF_IDISHWND) != 0) {
          id = GetDlgCtrlID(reinterpret_cast<HWND>(info->hdr.idFrom)) - kControlIdBase;
        }
        static std::string shown;  // lives until the tooltip has copied it
        const Item* item = Find(id);
        shown = item != nullptr ? item->hint : std::string();
        info->lpszText = shown.data();
        info->hinst = nullptr;
        return TRUE;
      }
      return FALSE;
    }
    case WM_MEASUREITEM: {
      auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure->CtlType != ODT_COMBOBOX) return FALSE;
      measure->itemHeight = static_cast<UINT>(Scale(18));
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (draw->CtlType != ODT_COMBOBOX) return FALSE;
      const Item* item = Find(static_cast<ControlId>(draw->CtlID) - kControlIdBase);
      const bool selected = (draw->itemState & ODS_SELECTED) != 0;
      FillRect(draw->hDC, &draw->rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
      if (item == nullptr || draw->itemID == static_cast<UINT>(-1) || draw->itemID >= item->layout.colors.size()) {
        return TRUE;
      }
      // A swatch of the colour, then its name.
      const int pad = Scale(2);
      const int side = draw->rcItem.bottom - draw->rcItem.top - 2 * pad;
      RECT swatch{draw->rcItem.left + pad, draw->rcItem.top + pad, draw->rcItem.left + pad + side * 3 / 2,
                  draw->rcItem.bottom - pad};
      HBRUSH fill = CreateSolidBrush(static_cast<COLORREF>(draw->itemData & 0xFFFFFF));
      FillRect(draw->hDC, &swatch, fill);
      DeleteObject(fill);
      FrameRect(draw->hDC, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      const std::string& name = item->layout.colors[draw->itemID].name;
      RECT text = draw->rcItem;
      text.left = swatch.right + Scale(5);
      SetBkMode(draw->hDC, TRANSPARENT);
      SetTextColor(draw->hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      DrawTextA(draw->hDC, name.c_str(), static_cast<int>(name.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      if ((draw->itemState & ODS_FOCUS) != 0) DrawFocusRect(draw->hDC, &draw->rcItem);
      return TRUE;
    }
    case WM_COMMAND: {
      const int code = HIWORD(wParam);
      int controlId = LOWORD(wParam);
      if (controlId == IDCANCEL && container == dialog_) {
        // Escape: the cancel button, when there is one that can be pressed.
        for (const auto& [id, item] : items_) {
          if (item.layout.isCancel && IsWindowEnabled(item.hwnd)) Click(id);
        }
        return TRUE;
      }
      if (controlId == IDOK && container == dialog_) {
        for (const auto& [id, item] : items_) {
          if (item.layout.isDefault && IsWindowEnabled(item.hwnd)) Click(id);
        }
        return TRUE;
      }
      Item* item = Find(controlId - kControlIdBase);
      if (item == nullptr) return FALSE;
      if (item->layout.kind == ControlKind::kColorList) {
        if (code == CBN_SELENDOK) PickCustomColor(*item);
        return TRUE;
      }
      if (code == BN_CLICKED &&
          (item->layout.kind == ControlKind::kButton || item->layout.kind == ControlKind::kCheck ||
           item->layout.kind == ControlKind::kRadio)) {
        if (item->layout.kind == ControlKind::kRadio) UpdateRadioTabStop(*item);
        Click(item->layout.id);
      }
      return TRUE;
    }
    case WM_CLOSE:
      if (container == dialog_ && onCloseRequest) onCloseRequest();
      return TRUE;
    case WM_DPICHANGED:
      if (container == dialog_) {
        const RECT suggested = *reinterpret_cast<const RECT*>(lParam);
        ApplyDpi(HIWORD(wParam));
        SetWindowPos(dialog_, nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

bool Win32Dialog::TakeMessage(MSG& msg) {
  if (dialog_ == nullptr || closed_ || (msg.hwnd != dialog_ && !IsChild(dialog_, msg.hwnd))) return false;
  if (msg.message == WM_KEYDOWN && (GetKeyState(VK_CONTROL) & 0x8000) != 0 && tabPages_.size() > 1 &&
      (msg.wParam == VK_TAB || msg.wParam == VK_PRIOR || msg.wParam == VK_NEXT)) {
    // Ctrl+Tab and Ctrl+Page Down: the next page; with Shift, or Page Up: the previous one.
    const bool back = msg.wParam == VK_PRIOR || (msg.wParam == VK_TAB && (GetKeyState(VK_SHIFT) & 0x8000) != 0);
    const auto at = std::find(tabPages_.begin(), tabPages_.end(), activePage_);
    const std::size_t n = tabPages_.size();
    std::size_t index = at == tabPages_.end() ? 0 : static_cast<std::size_t>(at - tabPages_.begin());
    index = back ? (index + n - 1) % n : (index + 1) % n;
    activePage_ = tabPages_[index];
    ShowActivePage();
    return true;
  }
  return IsDialogMessageA(dialog_, &msg) != 0;
}

// ---------------------------------------------------------------- DialogView

void Win32Dialog::Show() {
  if (dialog_ == nullptr) return;
  // Centred on the primary monitor.
  RECT window{};
  GetWindowRect(dialog_, &window);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromWindow(dialog_, MONITOR_DEFAULTTOPRIMARY), &monitor);
  const RECT& m = monitor.rcMonitor;
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  SetWindowPos(dialog_, nullptr, m.left + (m.right - m.left - width) / 2, m.top + (m.bottom - m.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  const UINT dpi = WindowDpi(dialog_);
  if (dpi != dpi_) ApplyDpi(dpi);  // centring moved it to a monitor of another DPI
  ShowWindow(dialog_, SW_SHOW);
  SetForegroundWindow(dialog_);
  if (const Item* focus = Find(layout_.initialFocus); focus != nullptr && focus->hwnd != nullptr) {
    SendMessageA(dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(focus->hwnd), TRUE);
  }
}

void Win32Dialog::Close() {
  if (closed_) return;
  closed_ = true;
  if (onClose) onClose();
  if (dialog_ != nullptr) ShowWindow(dialog_, SW_HIDE);
}

void Win32Dialog::SetText(ControlId id, const std::string& text) {
  if (id == 0) {
    layout_.caption = text;
    SetWindowTextA(dialog_, text.c_str());
    return;
  }
  Item* item = Find(id);
  if (item == nullptr) return;
  if (item->layout.kind == ControlKind::kLabel) {
    InvalidateItem(*item);
    item->text = text;
    MeasureLabel(*item);
    InvalidateItem(*item);
    RefreshTools(item->container);
  } else if (item->hwnd != nullptr) {
    SetWindowTextA(item->hwnd, item->layout.kind == ControlKind::kMemo ? WithCrLf(text).c_str() : text.c_str());
  }
}

std::string Win32Dialog::Text(ControlId id) const {
  if (id == 0) return layout_.caption;
  const Item* item = Find(id);
  if (item == nullptr) return {};
  if (item->layout.kind == ControlKind::kLabel || item->hwnd == nullptr) return item->text;
  const int length = GetWindowTextLengthA(item->hwnd);
  std::string text(static_cast<std::size_t>(std::max(length, 0)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(item->hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

void Win32Dialog::SetChecked(ControlId id, bool checked) {
  if (const Item* item = Find(id); item != nullptr && item->hwnd != nullptr) {
    SendMessageA(item->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (item->layout.kind == ControlKind::kRadio) UpdateRadioTabStop(*item);
  }
}

bool Win32Dialog::Checked(ControlId id) const {
  const Item* item = Find(id);
  return item != nullptr && item->hwnd != nullptr && SendMessageA(item->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Dialog::SetEnabled(ControlId id, bool enabled) {
  Item* item = Find(id);
  if (item == nullptr) return;
  item->enabled = enabled;
  if (item->hwnd != nullptr) {
    EnableWindow(item->hwnd, enabled ? TRUE : FALSE);
    if (item->buddy != nullptr) EnableWindow(item->buddy, enabled ? TRUE : FALSE);
  } else {
    InvalidateItem(*item);
  }
}

bool Win32Dialog::Enabled(ControlId id) const {
  const Item* item = Find(id);
  return item != nullptr && item->enabled;
}

void Win32Dialog::SetVisible(ControlId id, bool visible) {
  Item* item = Find(id);
  if (item == nullptr || item->visible == visible) return;
  item->visible = visible;
  if (item->layout.kind == ControlKind::kPage) {
    RebuildTabs();
  } else if (item->hwnd != nullptr) {
    ShowWindow(item->hwnd, visible ? SW_SHOWNA : SW_HIDE);
    if (item->buddy != nullptr) ShowWindow(item->buddy, visible ? SW_SHOWNA : SW_HIDE);
  } else {
    InvalidateItem(*item);
    RefreshTools(item->container);
  }
}

bool Win32Dialog::Visible(ControlId id) const {
  const Item* item = Find(id);
  return item != nullptr && item->visible;
}

void Win32Dialog::SetColor(ControlId id, std::uint32_t color) {
  const Item* item = Find(id);
  if (item == nullptr || item->hwnd == nullptr || item->layout.kind != ControlKind::kColorList) return;
  const auto index = ColorItemIndex(item->layout.colors, color);
  if (!index) return;
  if (item->layout.colors[*index].custom) {
    SendMessageA(item->hwnd, CB_SETITEMDATA, *index, static_cast<LPARAM>(color));
  }
  SendMessageA(item->hwnd, CB_SETCURSEL, *index, 0);
  lastColorIndex_ = static_cast<int>(*index);
}

std::uint32_t Win32Dialog::Color(ControlId id) const {
  const Item* item = Find(id);
  if (item == nullptr || item->hwnd == nullptr) return 0;
  const auto index = SendMessageA(item->hwnd, CB_GETCURSEL, 0, 0);
  if (index < 0) return 0;
  return static_cast<std::uint32_t>(SendMessageA(item->hwnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

void Win32Dialog::SetFont(ControlId id, const ControlFont& font) {
  Item* item = Find(id);
  if (item == nullptr) return;
  InvalidateItem(*item);
  item->font = font;
  if (item->hwnd != nullptr) {
    SendMessageA(item->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font)), TRUE);
  } else if (item->layout.kind == ControlKind::kLabel) {
    MeasureLabel(*item);
    InvalidateItem(*item);
    RefreshTools(item->container);
  }
}

void Win32Dialog::SetCursor(ControlId id, ControlCursor cursor) {
  if (Item* item = Find(id)) item->cursor = cursor;
}

void Win32Dialog::SetHint(ControlId id, const std::string& hint) {
  Item* item = Find(id);
  if (item == nullptr) return;
  const bool added = !item->hint.empty() || item->layout.kind == ControlKind::kRadio ||
                     item->layout.kind == ControlKind::kCheck;
  item->hint = hint;
  if (item->hwnd != nullptr && !added && tooltip_ != nullptr) {
    TOOLINFOA tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = ContainerWindow(item->container);
    tool.uId = reinterpret_cast<UINT_PTR>(item->hwnd);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Win32Dialog::SetHintDelay(std::uint32_t milliseconds) {
  if (tooltip_ != nullptr) {
    SendMessageA(tooltip_, TTM_SETDELAYTIME, TTDT_INITIAL, static_cast<LPARAM>(std::min<std::uint32_t>(milliseconds,
                                                                                                      32767)));
  }
}

void Win32Dialog::SetPicture(ControlId id, const ConstPixels& pixels) {
  Item* item = Find(id);
  if (item == nullptr || pixels.data == nullptr || pixels.width <= 0 || pixels.height <= 0) return;
  const std::size_t stride = (static_cast<std::size_t>(pixels.width) * 3 + 3) & ~static_cast<std::size_t>(3);
  item->pixels.assign(stride * static_cast<std::size_t>(pixels.height), 0);
  for (std::int32_t y = 0; y < pixels.height; ++y) {
    // Bottom-up rows, as a DIB of positive height keeps them.
    std::copy_n(pixels.data + y * pixels.stride, static_cast<std::size_t>(pixels.width) * 3,
                item->pixels.data() + stride * static_cast<std::size_t>(pixels.height - 1 - y));
  }
  item->header = {};
  item->header.biSize = sizeof(BITMAPINFOHEADER);
  item->header.biWidth = pixels.width;
  item->header.biHeight = pixels.height;
  item->header.biPlanes = 1;
  item->header.biBitCount = 24;
  item->header.biCompression = BI_RGB;
  InvalidateItem(*item);
}

void Win32Dialog::BringToFront(ControlId id) {
  Item* item = Find(id);
  if (item == nullptr) return;
  item->z = nextZ_++;
  InvalidateItem(*item);
  RefreshTools(item->container);
}

void Win32Dialog::SetBounds(ControlId id, const TRect& bounds) {
  Item* item = Find(id);
  if (item == nullptr) return;
  InvalidateItem(*item);
  if (item->layout.kind == ControlKind::kLabel) {
    // A label keeps its text's size; its place is given by its left edge.
    item->layout.alignRight = false;
    item->bounds = {bounds.Left, bounds.Top, bounds.Left, bounds.Top};
  } else {
    item->bounds = bounds;
  }
  if (item->hwnd != nullptr && item->layout.kind != ControlKind::kPage) {
    const RECT r = DeviceRect(*item);
    SetWindowPos(item->hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (item->buddy != nullptr) SendMessageA(item->buddy, UDM_SETBUDDY, reinterpret_cast<WPARAM>(item->hwnd), 0);
  }
  InvalidateItem(*item);
  RefreshTools(item->container);
}

TRect Win32Dialog::Bounds(ControlId id) const {
  const Item* item = Find(id);
  if (item == nullptr) return {};
  if (item->layout.kind == ControlKind::kPage || item->layout.fillParent) {
    RECT r{};
    if (item->layout.kind == ControlKind::kPage) {
      GetWindowRect(item->hwnd, &r);
      MapWindowPoints(HWND_DESKTOP, tabs_, reinterpret_cast<POINT*>(&r), 2);
    } else {
      r = DeviceRect(*item);
    }
    return {Unscale(r.left), Unscale(r.top), Unscale(r.right), Unscale(r.bottom)};
  }
  if (item->layout.kind == ControlKind::kLabel) {
    const std::int32_t width = Unscale(item->textSize.X);
    const std::int32_t height = Unscale(item->textSize.Y);
    const TRect& l = item->bounds;
    return item->layout.alignRight ? TRect{l.Right - width, l.Top, l.Right, l.Top + height}
                                 : TRect{l.Left, l.Top, l.Left + width, l.Top + height};
  }
  return item->bounds;
}

void Win32Dialog::SetActivePage(ControlId page) {
  const Item* item = Find(page);
  if (item == nullptr || item->layout.kind != ControlKind::kPage) return;
  activePage_ = page;
  ShowActivePage();
}

}  // namespace

std::unique_ptr<DialogView> CreateWin32Dialog(const DialogLayout& layout) {
  auto dialog = std::make_unique<Win32Dialog>(layout);
  if (dialog->Handle() == nullptr) return nullptr;
  return dialog;
}

bool Win32DialogMessage(MSG& msg) {
  for (Win32Dialog* dialog : OpenDialogs()) {
    if (dialog->TakeMessage(msg)) return true;
  }
  return false;
}

}  // namespace kestro::platform
