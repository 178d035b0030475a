// The settings dialog's GTK 3 view.
//
// Every control of the table is a GTK widget in a GtkFixed: the dialog's
// own, or a page's inside the notebook. Children of a group lie in the
// same GtkFixed as the group, offset by its place, and the group's frame
// is drawn below them. Labels and pictures sit in event boxes without a
// window of their own, so that the topmost one under the mouse takes the
// click (GtkFixed stacks its children in the order they were put in).
//
// Texts are ANSI (code page 1252) on our side and UTF-8 on GTK's. GTK's
// main context runs inside the X11 event loop, as one of its sources.
#include "platform/x11/dialog_gtk.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/x11/loop_sources.h"

namespace kestro::platform {

namespace {

std::string ToUtf8(const std::string& ansi) {
  gsize written = 0;
  gchar* converted = g_convert(ansi.c_str(), static_cast<gssize>(ansi.size()), "UTF-8", "CP1252", nullptr,
                               &written, nullptr);
  if (converted == nullptr) {
    // Bytes code page 1252 leaves undefined: taken as Latin-1.
    converted = g_convert(ansi.c_str(), static_cast<gssize>(ansi.size()), "UTF-8", "ISO-8859-1", nullptr,
                          &written, nullptr);
  }
  if (converted == nullptr) return ansi;
  std::string result(converted, written);
  g_free(converted);
  return result;
}

std::string FromUtf8(const char* utf8) {
  if (utf8 == nullptr) return {};
  gsize written = 0;
  gchar* converted = g_convert_with_fallback(utf8, -1, "CP1252", "UTF-8", "?", nullptr, &written, nullptr);
  if (converted == nullptr) return utf8;
  std::string result(converted, written);
  g_free(converted);
  return result;
}

// "&x" marks x as the mnemonic and "&&" shows "&"; GTK writes "_x" and "__".
std::string MnemonicText(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] == '&') {
        out.push_back('&');
      } else {
        out.push_back('_');
        out.push_back(text[i]);
      }
    } else if (text[i] == '_') {
      out += "__";
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// The table lays the dialog out for the small dialog font of Windows (8
// points) and its compact controls: the dialog asks GTK's theme for the
// same, so every text fits its place.
constexpr char kDialogStyle[] =
    ".kestro-dialog, .kestro-dialog * { font-size: 8pt; }\n"
    ".kestro-dialog button { padding: 1px 6px; min-height: 0; }\n"
    ".kestro-dialog spinbutton entry { min-width: 0; padding: 0 2px 0 4px; min-height: 0; }\n"
    ".kestro-dialog spinbutton button { min-width: 10px; min-height: 0; padding: 0 3px; }\n"
    ".kestro-dialog spinbutton { min-height: 0; }\n"
    ".kestro-dialog combobox button { padding: 0 4px; min-height: 0; }\n"
    ".kestro-dialog notebook tab { padding: 2px 8px; min-height: 0; }\n"
    ".kestro-dialog check, .kestro-dialog radio { min-width: 12px; min-height: 12px; margin: 0 4px 0 0; }\n";

bool GtkReady() {
  static const bool ready = [] {
    if (gtk_init_check(nullptr, nullptr) == FALSE) return false;
    GtkCssProvider* style = gtk_css_provider_new();
    gtk_css_provider_load_from_data(style, kDialogStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(style),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(style);
    return true;
  }();
  return ready;
}

// GTK's main context as a source of the X11 event loop.
class GtkLoopSource final : public x11::LoopSource {
 public:
  int Prepare(std::vector<pollfd>& fds) override {
    GMainContext* context = g_main_context_default();
    if (!acquired_) acquired_ = g_main_context_acquire(context) != FALSE;
    g_main_context_prepare(context, &priority_);
    gint timeout = -1;
    gint count = 0;
    while ((count = g_main_context_query(context, priority_, &timeout, gfds_.data(),
                                         static_cast<gint>(gfds_.size()))) > static_cast<gint>(gfds_.size())) {
      gfds_.resize(static_cast<std::size_t>(count));
    }
    used_ = static_cast<std::size_t>(count);
    for (std::size_t i = 0; i < used_; ++i) {
      fds.push_back({gfds_[i].fd, static_cast<short>(gfds_[i].events), 0});
    }
    return timeout;
  }
  void Dispatch(const pollfd* fds, std::size_t count) override {
    for (std::size_t i = 0; i < used_ && i < count; ++i) gfds_[i].revents = static_cast<gushort>(fds[i].revents);
    GMainContext* context = g_main_context_default();
    if (g_main_context_check(context, priority_, gfds_.data(), static_cast<gint>(used_))) {
      g_main_context_dispatch(context);
    }
  }

 private:
  std::vector<GPollFD> gfds_ = std::vector<GPollFD>(16);
  std::size_t used_ = 0;
  gint priority_ = 0;
  bool acquired_ = false;
};

class GtkDialogView final : public DialogView {
 public:
  explicit GtkDialogView(const DialogLayout& layout);
  ~GtkDialogView() override;
  GtkDialogView(const GtkDialogView&) = delete;
  GtkDialogView& operator=(const GtkDialogView&) = delete;

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
  // GTK 3 sets tooltip delays for the whole desktop; the value is kept.
  void SetHintDelay(std::uint32_t milliseconds) override { hintDelay_ = milliseconds; }
  void SetPicture(ControlId id, const ConstPixels& pixels) override;
  void BringToFront(ControlId id) override;
  void SetBounds(ControlId id, const TRect& bounds) override;
  TRect Bounds(ControlId id) const override;
  void SetActivePage(ControlId page) override;
  ControlId ActivePage() const override { return activePage_; }

 private:
  struct Item : ControlState {
    GtkWidget* widget = nullptr;  // the control itself
    GtkWidget* outer = nullptr;   // what lies in the container (an event box, a scrolled window)
    ControlId container = 0;      // the dialog (0) or the page it lies on
    TPoint offset;                // of the groups between it and its container
    TPoint textSize;              // labels
    cairo_surface_t* picture = nullptr;
    std::uint32_t color = 0;      // colour lists: the colour shown
    int colorIndex = -1;
  };

  Item* Find(ControlId id);
  const Item* Find(ControlId id) const;
  GtkWidget* Container(ControlId id) const {
    const auto c = containers_.find(id);
    return c == containers_.end() ? nullptr : c->second;
  }
  void Create(Item& item);
  void Place(Item& item);
  void ApplyLabel(Item& item);
  void Click(ControlId id) {
    if (!updating_ && onClick) onClick(id);
  }
  void PickCustomColor(Item& item);
  void UpdateCursor(const Item* item);

  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer self);
  static void OnClicked(GtkWidget* widget, gpointer self);
  static void OnToggled(GtkToggleButton* widget, gpointer self);
  static gboolean OnGraphicPress(GtkWidget* widget, GdkEventButton* event, gpointer self);
  static gboolean OnGraphicCrossing(GtkWidget* widget, GdkEventCrossing* event, gpointer self);
  static gboolean OnDrawFrame(GtkWidget* widget, cairo_t* cr, gpointer self);
  static gboolean OnDrawPicture(GtkWidget* widget, cairo_t* cr, gpointer self);
  static void OnColorChanged(GtkComboBox* box, gpointer self);
  static void OnSwitchPage(GtkNotebook*, GtkWidget* page, guint, gpointer self);
  static void OnPageAllocate(GtkWidget* page, GdkRectangle* allocation, gpointer self);

  ControlId IdOf(GtkWidget* widget) const {
    return static_cast<ControlId>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "kestro-id")));
  }

  DialogLayout layout_;
  std::map<ControlId, Item> items_;
  std::map<ControlId, GtkWidget*> containers_;   // 0: the dialog's GtkFixed; a page id: the page's
  std::map<ControlId, GtkWidget*> noneRadios_;   // per group: the hidden radio that holds "none ticked"
  GtkWidget* window_ = nullptr;
  GtkWidget* notebook_ = nullptr;
  GtkLoopSource source_;
  ControlId activePage_ = 0;
  std::uint32_t hintDelay_ = 500;
  bool updating_ = false;  // changes made from here raise no clicks
  bool closed_ = false;
};

GtkDialogView::GtkDialogView(const DialogLayout& layout) : layout_(layout) {
  items_ = InitialControlStates<Item>(layout_);
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_style_context_add_class(gtk_widget_get_style_context(window_), "kestro-dialog");
  gtk_window_set_title(GTK_WINDOW(window_), ToUtf8(layout_.caption).c_str());
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
  g_signal_connect(window_, "delete-event", G_CALLBACK(&GtkDialogView::OnDelete), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(&GtkDialogView::OnKey), this);
  GtkWidget* root = gtk_fixed_new();
  gtk_widget_set_size_request(root, layout_.clientWidth, layout_.clientHeight);
  gtk_container_add(GTK_CONTAINER(window_), root);
  gtk_widget_show(root);
  containers_[0] = root;

  for (const ControlLayout& c : layout_.controls) {
    Item& item = items_[c.id];
    // Its container (the dialog or a page) and the groups' offsets between.
    for (ControlId parent = c.parent; parent != 0;) {
      const Item* p = Find(parent);
      if (p == nullptr) break;
      if (p->layout.kind == ControlKind::kPage) {
        item.container = parent;
        break;
      }
      item.offset = {item.offset.X + p->bounds.Left, item.offset.Y + p->bounds.Top};
      parent = p->layout.parent;
    }
    Create(item);
  }
  for (const auto& [id, item] : items_) {
    if (item.layout.kind == ControlKind::kPage) {
      activePage_ = id;
      break;
    }
  }
  x11::AddLoopSource(&source_);
}

GtkDialogView::~GtkDialogView() {
  x11::RemoveLoopSource(&source_);
  for (auto& [id, item] : items_) {
    if (item.picture != nullptr) cairo_surface_destroy(item.picture);
  }
  if (window_ != nullptr) gtk_widget_destroy(window_);
  // Let GTK finish with the window before the loop stops serving it.
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

GtkDialogView::Item* GtkDialogView::Find(ControlId id) {
  const auto it = items_.find(id);
  return it == items_.end() ? nullptr : &it->second;
}

const GtkDialogView::Item* GtkDialogView::Find(ControlId id) const {
  const auto it = items_.find(id);
  return it == items_.end() ? nullptr : &it->second;
}

void GtkDialogView::Create(Item& item) {
  const ControlLayout& c = item.layout;
  GtkWidget* widget = nullptr;
  GtkWidget* outer = nullptr;
  switch (c.kind) {
    case ControlKind::kFrame:
      widget = gtk_drawing_area_new();
      g_signal_connect(widget, "draw", G_CALLBACK(&GtkDialogView::OnDrawFrame), this);
      break;
    case ControlKind::kPicture:
    case ControlKind::kLabel: {
      if (c.kind == ControlKind::kPicture) {
        widget = gtk_drawing_area_new();
        g_signal_connect(widget, "draw", G_CALLBACK(&GtkDialogView::OnDrawPicture), this);
      } else {
        widget = gtk_label_new(nullptr);
        gtk_label_set_xalign(GTK_LABEL(widget), 0);
      }
      outer = gtk_event_box_new();
      gtk_event_box_set_visible_window(GTK_EVENT_BOX(outer), FALSE);
      gtk_widget_add_events(outer, GDK_BUTTON_PRESS_MASK | GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
      g_signal_connect(outer, "button-press-event", G_CALLBACK(&GtkDialogView::OnGraphicPress), this);
      g_signal_connect(outer, "enter-notify-event", G_CALLBACK(&GtkDialogView::OnGraphicCrossing), this);
      g_signal_connect(outer, "leave-notify-event", G_CALLBACK(&GtkDialogView::OnGraphicCrossing), this);
      gtk_container_add(GTK_CONTAINER(outer), widget);
      gtk_widget_show(widget);
      break;
    }
    case ControlKind::kPageControl:
      widget = gtk_notebook_new();
      notebook_ = widget;
      g_signal_connect(widget, "switch-page", G_CALLBACK(&GtkDialogView::OnSwitchPage), this);
      break;
    case ControlKind::kPage: {
      GtkWidget* page = gtk_fixed_new();
      containers_[c.id] = page;
      g_object_set_data(G_OBJECT(page), "kestro-id", GINT_TO_POINTER(c.id));
      g_signal_connect(page, "size-allocate", G_CALLBACK(&GtkDialogView::OnPageAllocate), this);
      GtkWidget* tab = gtk_label_new_with_mnemonic(MnemonicText(ToUtf8(c.text)).c_str());
      if (notebook_ != nullptr) gtk_notebook_append_page(GTK_NOTEBOOK(notebook_), page, tab);
      if (c.visible) gtk_widget_show(page);
      item.widget = page;
      g_object_set_data(G_OBJECT(page), "kestro-id", GINT_TO_POINTER(c.id));
      return;
    }
    case ControlKind::kGroup:
      widget = gtk_frame_new(ToUtf8(c.text).c_str());
      break;
    case ControlKind::kRadio: {
      GtkWidget*& none = noneRadios_[c.parent];
      if (none == nullptr) {
        // Never shown: it holds the group's "nothing ticked".
        none = gtk_radio_button_new(nullptr);
        g_object_ref_sink(none);
      }
      widget = gtk_radio_button_new_with_mnemonic_from_widget(GTK_RADIO_BUTTON(none),
                                                              MnemonicText(ToUtf8(c.text)).c_str());
      g_signal_connect(widget, "toggled", G_CALLBACK(&GtkDialogView::OnToggled), this);
      break;
    }
    case ControlKind::kCheck:
      widget = gtk_check_button_new_with_mnemonic(MnemonicText(ToUtf8(c.text)).c_str());
      g_signal_connect(widget, "toggled", G_CALLBACK(&GtkDialogView::OnToggled), this);
      break;
    case ControlKind::kColorList: {
      GtkListStore* store = gtk_list_store_new(2, GDK_TYPE_PIXBUF, G_TYPE_STRING);
      for (const ColorItem& color : c.colors) {
        GdkPixbuf* swatch = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 24, 14);
        const guint32 rgba = ((color.color & 0xFF) << 24) | (((color.color >> 8) & 0xFF) << 16) |
                             (((color.color >> 16) & 0xFF) << 8) | 0xFF;
        gdk_pixbuf_fill(swatch, color.custom ? 0xFFFFFFFF : rgba);
        GtkTreeIter iter;
        gtk_list_store_append(store, &iter);
        gtk_list_store_set(store, &iter, 0, swatch, 1, ToUtf8(color.name).c_str(), -1);
        g_object_unref(swatch);
      }
      widget = gtk_combo_box_new_with_model(GTK_TREE_MODEL(store));
      g_object_unref(store);
      GtkCellRenderer* pixbuf = gtk_cell_renderer_pixbuf_new();
      gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(widget), pixbuf, FALSE);
      gtk_cell_layout_add_attribute(GTK_CELL_LAYOUT(widget), pixbuf, "pixbuf", 0);
      GtkCellRenderer* text = gtk_cell_renderer_text_new();
      gtk_cell_layout_pack_start(GTK_CELL_LAYOUT(widget), text, TRUE);
      gtk_cell_layout_add_attribute(GTK_CELL_LAYOUT(widget), text, "text", 1);
      g_signal_connect(widget, "changed", G_CALLBACK(&GtkDialogView::OnColorChanged), this);
      break;
    }
    case ControlKind::kSpin:
      widget = gtk_spin_button_new_with_range(c.minValue, c.maxValue, 1);
      gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(widget), TRUE);
      gtk_entry_set_activates_default(GTK_ENTRY(widget), TRUE);
      break;
    case ControlKind::kMemo: {
      widget = gtk_text_view_new();
      outer = gtk_scrolled_window_new(nullptr, nullptr);
      gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(outer), GTK_POLICY_ALWAYS, GTK_POLICY_ALWAYS);
      gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(outer), GTK_SHADOW_IN);
      gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(outer), FALSE);  // bars always shown
      gtk_container_add(GTK_CONTAINER(outer), widget);
      gtk_widget_show(widget);
      break;
    }
    case ControlKind::kButton:
      widget = gtk_button_new_with_mnemonic(MnemonicText(ToUtf8(c.text)).c_str());
      g_signal_connect(widget, "clicked", G_CALLBACK(&GtkDialogView::OnClicked), this);
      if (c.isDefault) {
        gtk_widget_set_can_default(widget, TRUE);
        gtk_window_set_default(GTK_WINDOW(window_), widget);
      }
      break;
  }
  item.widget = widget;
  item.outer = outer != nullptr ? outer : widget;
  g_object_set_data(G_OBJECT(item.widget), "kestro-id", GINT_TO_POINTER(c.id));
  g_object_set_data(G_OBJECT(item.outer), "kestro-id", GINT_TO_POINTER(c.id));
  if (!c.hint.empty()) gtk_widget_set_tooltip_text(item.outer, ToUtf8(c.hint).c_str());
  if (c.kind == ControlKind::kLabel) ApplyLabel(item);
  if (GtkWidget* container = Container(item.container)) {
    gtk_fixed_put(GTK_FIXED(container), item.outer, 0, 0);
    Place(item);
  }
  if (c.visible) gtk_widget_show(item.outer);
}

// Puts the control at its place and size in its container.
void GtkDialogView::Place(Item& item) {
  GtkWidget* container = Container(item.container);
  if (container == nullptr || item.layout.kind == ControlKind::kPage) return;
  if (item.layout.fillParent) {
    GtkAllocation area{};
    gtk_widget_get_allocation(container, &area);
    if (item.container == 0) {
      area.width = layout_.clientWidth;
      area.height = layout_.clientHeight;
    }
    gtk_fixed_move(GTK_FIXED(container), item.outer, 0, 0);
    gtk_widget_set_size_request(item.outer, std::max(1, area.width), std::max(1, area.height));
    return;
  }
  const TRect b = item.bounds.Offset(item.offset.X, item.offset.Y);
  if (item.layout.kind == ControlKind::kLabel) {
    const std::int32_t left = item.layout.alignRight ? b.Right - item.textSize.X : b.Left;
    gtk_fixed_move(GTK_FIXED(container), item.outer, left, b.Top);
    return;
  }
  gtk_fixed_move(GTK_FIXED(container), item.outer, b.Left, b.Top);
  gtk_widget_set_size_request(item.outer, std::max(1, b.Width()), std::max(1, b.Height()));
}

// A label's text in its font, colour and underline, and its size.
void GtkDialogView::ApplyLabel(Item& item) {
  GtkLabel* label = GTK_LABEL(item.widget);
  const std::string shown = item.layout.noPrefix ? item.text : CaptionWithoutMnemonics(item.text);
  gtk_label_set_text(label, ToUtf8(shown).c_str());
  PangoAttrList* attributes = pango_attr_list_new();
  if (!item.font.name.empty()) pango_attr_list_insert(attributes, pango_attr_family_new(ToUtf8(item.font.name).c_str()));
  if (item.font.height > 0) pango_attr_list_insert(attributes, pango_attr_size_new_absolute(item.font.height * PANGO_SCALE));
  if (item.font.color) {
    const std::uint32_t c = *item.font.color;
    pango_attr_list_insert(attributes, pango_attr_foreground_new(static_cast<guint16>((c & 0xFF) * 257),
                                                                 static_cast<guint16>(((c >> 8) & 0xFF) * 257),
                                                                 static_cast<guint16>(((c >> 16) & 0xFF) * 257)));
  }
  if (item.font.underline) pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
  gtk_label_set_attributes(label, attributes);
  pango_attr_list_unref(attributes);
  GtkRequisition natural{};
  gtk_widget_get_preferred_size(item.widget, nullptr, &natural);
  item.textSize = shown.empty() ? TPoint{0, natural.height} : TPoint{natural.width, natural.height};
}

void GtkDialogView::Show() {
  updating_ = true;
  gtk_widget_show(window_);
  gtk_window_present(GTK_WINDOW(window_));
  if (const Item* focus = Find(layout_.initialFocus); focus != nullptr && focus->widget != nullptr) {
    gtk_widget_grab_focus(focus->widget);
  }
  if (notebook_ != nullptr) SetActivePage(activePage_);
  updating_ = false;
}

void GtkDialogView::Close() {
  if (closed_) return;
  closed_ = true;
  if (onClose) onClose();
  gtk_widget_hide(window_);
}

void GtkDialogView::SetText(ControlId id, const std::string& text) {
  if (id == 0) {
    layout_.caption = text;
    gtk_window_set_title(GTK_WINDOW(window_), ToUtf8(text).c_str());
    return;
  }
  Item* item = Find(id);
  if (item == nullptr) return;
  item->text = text;
  updating_ = true;
  switch (item->layout.kind) {
    case ControlKind::kLabel:
      ApplyLabel(*item);
      Place(*item);
      break;
    case ControlKind::kSpin: {
      gtk_entry_set_text(GTK_ENTRY(item->widget), ToUtf8(text).c_str());
      gtk_spin_button_update(GTK_SPIN_BUTTON(item->widget));
      break;
    }
    case ControlKind::kMemo: {
      const std::string utf8 = ToUtf8(text.substr(0, text.find('\0')));
      gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(item->widget)), utf8.c_str(),
                               static_cast<gint>(utf8.size()));
      break;
    }
    case ControlKind::kGroup:
      gtk_frame_set_label(GTK_FRAME(item->widget), ToUtf8(text).c_str());
      break;
    case ControlKind::kButton:
    case ControlKind::kCheck:
    case ControlKind::kRadio:
      gtk_button_set_label(GTK_BUTTON(item->widget), MnemonicText(ToUtf8(text)).c_str());
      break;
    default:
      break;
  }
  updating_ = false;
}

std::string GtkDialogView::Text(ControlId id) const {
  if (id == 0) return layout_.caption;
  const Item* item = Find(id);
  if (item == nullptr) return {};
  switch (item->layout.kind) {
    case ControlKind::kSpin:
      return FromUtf8(gtk_entry_get_text(GTK_ENTRY(item->widget)));
    case ControlKind::kMemo: {
      GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(item->widget));
      GtkTextIter start, end;
      gtk_text_buffer_get_bounds(buffer, &start, &end);
      gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
      std::string result = FromUtf8(text);
      g_free(text);
      return result;
    }
    default:
      return item->text;
  }
}

void GtkDialogView::SetChecked(ControlId id, bool checked) {
  Item* item = Find(id);
  if (item == nullptr || (item->layout.kind != ControlKind::kCheck && item->layout.kind != ControlKind::kRadio)) return;
  updating_ = true;
  if (item->layout.kind == ControlKind::kRadio && !checked) {
    // A GTK radio group always has one ticked: the hidden one takes it.
    if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item->widget))) {
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(noneRadios_[item->layout.parent]), TRUE);
    }
  } else {
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(item->widget), checked ? TRUE : FALSE);
  }
  updating_ = false;
}

bool GtkDialogView::Checked(ControlId id) const {
  const Item* item = Find(id);
  if (item == nullptr || (item->layout.kind != ControlKind::kCheck && item->layout.kind != ControlKind::kRadio)) {
    return false;
  }
  return gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(item->widget)) != FALSE;
}

void GtkDialogView::SetEnabled(ControlId id, bool enabled) {
  Item* item = Find(id);
  if (item == nullptr) return;
  item->enabled = enabled;
  gtk_widget_set_sensitive(item->outer, enabled ? TRUE : FALSE);
}

bool GtkDialogView::Enabled(ControlId id) const {
  const Item* item = Find(id);
  return item != nullptr && item->enabled;
}

void GtkDialogView::SetVisible(ControlId id, bool visible) {
  Item* item = Find(id);
  if (item == nullptr) return;
  item->visible = visible;
  // A page's tab goes with its page.
  gtk_widget_set_visible(item->outer != nullptr ? item->outer : item->widget, visible ? TRUE : FALSE);
}

bool GtkDialogView::Visible(ControlId id) const {
  const Item* item = Find(id);
  return item != nullptr && item->visible;
}

void GtkDialogView::SetColor(ControlId id, std::uint32_t color) {
  Item* item = Find(id);
  if (item == nullptr || item->layout.kind != ControlKind::kColorList) return;
  const auto index = ColorItemIndex(item->layout.colors, color);
  if (!index) return;
  item->color = color;
  item->colorIndex = static_cast<int>(*index);
  updating_ = true;
  gtk_combo_box_set_active(GTK_COMBO_BOX(item->widget), item->colorIndex);
  updating_ = false;
}

std::uint32_t GtkDialogView::Color(ControlId id) const {
  const Item* item = Find(id);
  return item != nullptr ? item->color : 0;
}

void GtkDialogView::SetFont(ControlId id, const ControlFont& font) {
  Item* item = Find(id);
  if (item == nullptr) return;
  item->font = font;
  if (item->layout.kind == ControlKind::kLabel) {
    ApplyLabel(*item);
    Place(*item);
  }
}

void GtkDialogView::SetCursor(ControlId id, ControlCursor cursor) {
  if (Item* item = Find(id)) item->cursor = cursor;
}

void GtkDialogView::SetHint(ControlId id, const std::string& hint) {
  Item* item = Find(id);
  if (item == nullptr) return;
  item->hint = hint;
  gtk_widget_set_tooltip_text(item->outer, hint.empty() ? nullptr : ToUtf8(hint).c_str());
}

void GtkDialogView::SetPicture(ControlId id, const ConstPixels& pixels) {
  Item* item = Find(id);
  if (item == nullptr || pixels.data == nullptr || pixels.width <= 0 || pixels.height <= 0) return;
  if (item->picture != nullptr) cairo_surface_destroy(item->picture);
  item->picture = cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixels.width, pixels.height);
  cairo_surface_flush(item->picture);
  unsigned char* data = cairo_image_surface_get_data(item->picture);
  const int stride = cairo_image_surface_get_stride(item->picture);
  for (std::int32_t y = 0; y < pixels.height; ++y) {
    const std::uint8_t* in = pixels.data + y * pixels.stride;
    auto* out = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
    for (std::int32_t x = 0; x < pixels.width; ++x, in += 3) {
      out[x] = static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[1]) << 8 | in[0];
    }
  }
  cairo_surface_mark_dirty(item->picture);
  gtk_widget_queue_draw(item->widget);
}

void GtkDialogView::BringToFront(ControlId id) {
  Item* item = Find(id);
  GtkWidget* container = item != nullptr ? Container(item->container) : nullptr;
  if (container == nullptr || item->outer == nullptr) return;
  // GtkFixed stacks its children in the order they were put in.
  g_object_ref(item->outer);
  gtk_container_remove(GTK_CONTAINER(container), item->outer);
  gtk_fixed_put(GTK_FIXED(container), item->outer, 0, 0);
  g_object_unref(item->outer);
  Place(*item);
  gtk_widget_set_visible(item->outer, item->visible ? TRUE : FALSE);
}

void GtkDialogView::SetBounds(ControlId id, const TRect& bounds) {
  Item* item = Find(id);
  if (item == nullptr || item->layout.kind == ControlKind::kPage) return;
  if (item->layout.kind == ControlKind::kLabel) {
    // A label keeps its text's size; its place is given by its left edge.
    item->layout.alignRight = false;
    item->bounds = {bounds.Left, bounds.Top, bounds.Left, bounds.Top};
  } else {
    item->bounds = bounds;
  }
  Place(*item);
}

TRect GtkDialogView::Bounds(ControlId id) const {
  const Item* item = Find(id);
  if (item == nullptr) return {};
  if (item->layout.kind == ControlKind::kPage || item->layout.fillParent) {
    GtkAllocation a{};
    gtk_widget_get_allocation(item->layout.kind == ControlKind::kPage ? item->widget : item->outer, &a);
    return {a.x, a.y, a.x + a.width, a.y + a.height};
  }
  if (item->layout.kind == ControlKind::kLabel) {
    const TRect& l = item->bounds;
    return item->layout.alignRight ? TRect{l.Right - item->textSize.X, l.Top, l.Right, l.Top + item->textSize.Y}
                                 : TRect{l.Left, l.Top, l.Left + item->textSize.X, l.Top + item->textSize.Y};
  }
  return item->bounds;
}

void GtkDialogView::SetActivePage(ControlId page) {
  const Item* item = Find(page);
  if (item == nullptr || item->layout.kind != ControlKind::kPage) return;
  activePage_ = page;
  if (notebook_ != nullptr) {
    const gint index = gtk_notebook_page_num(GTK_NOTEBOOK(notebook_), item->widget);
    updating_ = true;
    if (index >= 0) gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook_), index);
    updating_ = false;
  }
}

void GtkDialogView::PickCustomColor(Item& item) {
  GtkWidget* chooser = gtk_color_chooser_dialog_new(nullptr, GTK_WINDOW(window_));
  GdkRGBA rgba{(item.color & 0xFF) / 255.0, ((item.color >> 8) & 0xFF) / 255.0, ((item.color >> 16) & 0xFF) / 255.0,
               1.0};
  gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(chooser), &rgba);
  const gint answer = gtk_dialog_run(GTK_DIALOG(chooser));
  if (answer == GTK_RESPONSE_OK) {
    gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(chooser), &rgba);
    auto channel = [](double v) { return static_cast<std::uint32_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
    SetColor(item.layout.id, channel(rgba.red) | channel(rgba.green) << 8 | channel(rgba.blue) << 16);
  } else {
    updating_ = true;
    gtk_combo_box_set_active(GTK_COMBO_BOX(item.widget), item.colorIndex);  // back to what it showed
    updating_ = false;
  }
  gtk_widget_destroy(chooser);
}

void GtkDialogView::UpdateCursor(const Item* item) {
  GdkWindow* window = gtk_widget_get_window(window_);
  if (window == nullptr) return;
  GdkCursor* cursor = nullptr;
  if (item != nullptr && item->cursor == ControlCursor::kHand) {
    cursor = gdk_cursor_new_from_name(gdk_window_get_display(window), "pointer");
  }
  gdk_window_set_cursor(window, cursor);
  if (cursor != nullptr) g_object_unref(cursor);
}

// ---------------------------------------------------------------- signals

gboolean GtkDialogView::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  if (view->onCloseRequest) view->onCloseRequest();
  return TRUE;  // the model closes it
}

gboolean GtkDialogView::OnKey(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  const bool escape = event->keyval == GDK_KEY_Escape;
  const bool enter = event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter;
  if (!escape && !enter) return FALSE;
  if (enter) {
    // A focused push button takes Enter itself; elsewhere the default button does.
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(view->window_));
    if (focus != nullptr && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus)) return FALSE;
  }
  for (const auto& [id, item] : view->items_) {
    if (item.layout.kind == ControlKind::kButton && (escape ? item.layout.isCancel : item.layout.isDefault) &&
        item.enabled && item.visible) {
      view->Click(id);
      return TRUE;
    }
  }
  return FALSE;
}

void GtkDialogView::OnClicked(GtkWidget* widget, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  view->Click(view->IdOf(widget));
}

void GtkDialogView::OnToggled(GtkToggleButton* widget, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  // A radio button reports the one that lost the tick too: only the one
  // that got it is a click.
  if (GTK_IS_RADIO_BUTTON(widget) && !gtk_toggle_button_get_active(widget)) return;
  view->Click(view->IdOf(GTK_WIDGET(widget)));
}

gboolean GtkDialogView::OnGraphicPress(GtkWidget* widget, GdkEventButton* event, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  if (event->type != GDK_BUTTON_PRESS || event->button != 1) return FALSE;
  const Item* item = view->Find(view->IdOf(widget));
  if (item == nullptr || !item->enabled) return FALSE;
  view->Click(item->layout.id);
  return TRUE;
}

gboolean GtkDialogView::OnGraphicCrossing(GtkWidget* widget, GdkEventCrossing* event, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  view->UpdateCursor(event->type == GDK_ENTER_NOTIFY ? view->Find(view->IdOf(widget)) : nullptr);
  return FALSE;
}

gboolean GtkDialogView::OnDrawFrame(GtkWidget* widget, cairo_t* cr, gpointer) {
  const double w = gtk_widget_get_allocated_width(widget);
  const double h = gtk_widget_get_allocated_height(widget);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
  cairo_stroke(cr);
  return FALSE;
}

gboolean GtkDialogView::OnDrawPicture(GtkWidget* widget, cairo_t* cr, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  const Item* item = view->Find(view->IdOf(widget));
  if (item == nullptr || item->picture == nullptr) return FALSE;
  const double w = gtk_widget_get_allocated_width(widget);
  const double h = gtk_widget_get_allocated_height(widget);
  const int pw = cairo_image_surface_get_width(item->picture);
  const int ph = cairo_image_surface_get_height(item->picture);
  cairo_scale(cr, w / pw, h / ph);  // stretched to the control
  cairo_set_source_surface(cr, item->picture, 0, 0);
  cairo_paint(cr);
  return FALSE;
}

void GtkDialogView::OnColorChanged(GtkComboBox* box, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  if (view->updating_) return;
  Item* item = view->Find(view->IdOf(GTK_WIDGET(box)));
  const gint index = gtk_combo_box_get_active(box);
  if (item == nullptr || index < 0 || static_cast<std::size_t>(index) >= item->layout.colors.size()) return;
  const ColorItem& chosen = item->layout.colors[static_cast<std::size_t>(index)];
  if (chosen.custom) {
    view->PickCustomColor(*item);
  } else {
    item->color = chosen.color;
    item->colorIndex = index;
  }
}

void GtkDialogView::OnSwitchPage(GtkNotebook*, GtkWidget* page, guint, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  view->activePage_ = view->IdOf(page);
}

void GtkDialogView::OnPageAllocate(GtkWidget* page, GdkRectangle* allocation, gpointer self) {
  auto* view = static_cast<GtkDialogView*>(self);
  const ControlId pageId = view->IdOf(page);
  for (auto& [id, item] : view->items_) {
    if (!item.layout.fillParent || item.container != pageId) continue;
    gint w = 0, h = 0;
    gtk_widget_get_size_request(item.outer, &w, &h);
    if (w != allocation->width || h != allocation->height) {
      gtk_widget_set_size_request(item.outer, std::max(1, allocation->width), std::max(1, allocation->height));
    }
  }
}

}  // namespace

std::unique_ptr<DialogView> CreateGtkDialog(const DialogLayout& layout) {
  if (!GtkReady()) return nullptr;
  return std::make_unique<GtkDialogView>(layout);
}

}  // namespace kestro::platform
