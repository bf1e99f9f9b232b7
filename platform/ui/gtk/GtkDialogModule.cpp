// The dialog layer's windows on GTK 3: a template becomes a window with its
// controls at fixed positions (dialog units converted through the font's
// base units), run modally in a nested main loop. Keyboard behaviour follows
// the dialogs the templates were made for: Tab walks the tab stops in
// template order, Return presses the default button, Escape and the close
// box send the Cancel command.
#include <gtk/gtk.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/DialogModule.h"
#include "platform/ui/DialogUnits.h"

namespace zeb::ui {

struct Control {
  Dialog* dialog = nullptr;
  DialogControl source;
  GtkWidget* widget = nullptr;      // placed on the window
  GtkWidget* textWidget = nullptr;  // holds the text (a sunken label's label)
};

struct Dialog {
  GtkWidget* window = nullptr;
  DialogProc proc = nullptr;
  std::vector<std::unique_ptr<Control>> controls;  // template order
  void* userData = nullptr;
  GMainLoop* loop = nullptr;
  bool ended = false;
  intptr_t result = 0;
};

namespace {

constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr char kDialogClass[] = "zeb-dialog";

// Widgets keep no more padding than the templates' sizes leave room for.
constexpr char kCss[] =
    ".zeb-dialog button, .zeb-dialog entry, .zeb-dialog combobox button "
    "{ min-height: 0; padding-top: 0; padding-bottom: 0; }";

void InstallStyle() {
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, kCss, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

int32_t Start() {
  if (gtk_init_check(nullptr, nullptr) == FALSE) return 1;
  InstallStyle();
  return 0;
}

std::string FontOf(const DialogTemplate& dialogTemplate) {
  return std::string(dialogTemplate.fontName) + ", Sans " +
         std::to_string(dialogTemplate.pointSize);
}

DialogBaseUnits BaseUnitsOf(GtkWidget* window, const std::string& font) {
  PangoFontDescription* description = pango_font_description_from_string(font.c_str());
  PangoLayout* layout = gtk_widget_create_pango_layout(window, kLetters);
  pango_layout_set_font_description(layout, description);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  g_object_unref(layout);
  pango_font_description_free(description);
  return {AverageCharWidth(width), height};
}

void ApplyFont(GtkWidget* widget, const std::string& font) {
  PangoFontDescription* description = pango_font_description_from_string(font.c_str());
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  gtk_widget_override_font(widget, description);
  G_GNUC_END_IGNORE_DEPRECATIONS
  pango_font_description_free(description);
}

std::string WithoutCarriageReturns(const char* text) {
  std::string out;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c != '\r') out += *c;
  }
  return out;
}

void SendCommand(Dialog* dialog, int32_t id) {
  dialog->proc(dialog, kMsgCommand, static_cast<uintptr_t>(id), 0);
}

void OnClicked(GtkButton*, gpointer data) {
  auto* control = static_cast<Control*>(data);
  SendCommand(control->dialog, control->source.id);
}

// A digits-only edit box refuses any insertion that holds something else.
void OnInsertText(GtkEditable* editable, const gchar* text, gint length, gint*, gpointer) {
  const size_t size = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
  for (size_t i = 0; i < size; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      gtk_widget_error_bell(GTK_WIDGET(editable));
      g_signal_stop_emission_by_name(editable, "insert-text");
      return;
    }
  }
}

GtkWidget* MakeSlider(Control& control) {
  std::vector<std::string> names;
  std::string rest = control.source.text;
  for (size_t bar; (bar = rest.find('|')) != std::string::npos; rest.erase(0, bar + 1)) {
    names.push_back(rest.substr(0, bar));
  }
  names.push_back(rest);
  const double last = static_cast<double>(names.size() - 1);
  GtkWidget* scale = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, last, 1);
  gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
  gtk_range_set_round_digits(GTK_RANGE(scale), 0);
  for (size_t i = 0; i < names.size(); ++i) {
    gtk_scale_add_mark(GTK_SCALE(scale), static_cast<double>(i), GTK_POS_BOTTOM, names[i].c_str());
  }
  return scale;
}

GtkWidget* MakeWidget(Control& control) {
  const DialogControl& source = control.source;
  switch (source.kind) {
    case ControlKind::kPushButton: {
      GtkWidget* button = gtk_button_new_with_label(source.text);
      g_signal_connect(button, "clicked", G_CALLBACK(OnClicked), &control);
      return button;
    }
    case ControlKind::kEdit: {
      GtkWidget* entry = gtk_entry_new();
      gtk_entry_set_text(GTK_ENTRY(entry), source.text);
      gtk_entry_set_has_frame(GTK_ENTRY(entry), (source.styles & kStyleBorder) != 0);
      gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
      gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
      if ((source.styles & kStyleDigitsOnly) != 0) {
        g_signal_connect(entry, "insert-text", G_CALLBACK(OnInsertText), nullptr);
      }
      return entry;
    }
    case ControlKind::kComboList:
      return gtk_combo_box_text_new();
    case ControlKind::kSlider:
      return MakeSlider(control);
    case ControlKind::kStatic:
      break;
  }
  GtkWidget* label = gtk_label_new(WithoutCarriageReturns(source.text).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  gtk_label_set_yalign(GTK_LABEL(label), 0);
  gtk_label_set_line_wrap(GTK_LABEL(label), TRUE);
  control.textWidget = label;
  if ((source.styles & kStyleSunken) == 0) return label;
  GtkWidget* frame = gtk_frame_new(nullptr);
  gtk_frame_set_shadow_type(GTK_FRAME(frame), GTK_SHADOW_IN);
  gtk_container_add(GTK_CONTAINER(frame), label);
  return frame;
}

std::vector<GtkWidget*> TabStops(const Dialog& dialog) {
  std::vector<GtkWidget*> stops;
  for (const auto& control : dialog.controls) {
    if ((control->source.styles & kStyleTabStop) != 0 && gtk_widget_is_sensitive(control->widget) &&
        gtk_widget_get_visible(control->widget)) {
      stops.push_back(control->widget);
    }
  }
  return stops;
}

void MoveFocus(Dialog* dialog, bool backwards) {
  const std::vector<GtkWidget*> stops = TabStops(*dialog);
  if (stops.empty()) return;
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(dialog->window));
  size_t at = stops.size() - 1;
  for (size_t i = 0; i < stops.size(); ++i) {
    if (stops[i] == focus || (focus != nullptr && gtk_widget_is_ancestor(focus, stops[i]))) at = i;
  }
  const size_t next = backwards ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
  gtk_widget_grab_focus(stops[next]);
}

gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer data) {
  auto* dialog = static_cast<Dialog*>(data);
  switch (event->keyval) {
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
    case GDK_KEY_ISO_Left_Tab:
      MoveFocus(dialog,
                event->keyval == GDK_KEY_ISO_Left_Tab || (event->state & GDK_SHIFT_MASK) != 0);
      return TRUE;
    case GDK_KEY_Escape:
      SendCommand(dialog, kIdCancel);
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
      if (GTK_IS_BUTTON(gtk_window_get_focus(GTK_WINDOW(window)))) return FALSE;
      if (gtk_window_activate_default(GTK_WINDOW(window)) == FALSE) SendCommand(dialog, kIdOk);
      return TRUE;
    default:
      return FALSE;
  }
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  SendCommand(static_cast<Dialog*>(data), kIdCancel);
  return TRUE;
}

void Build(Dialog& dialog, const DialogTemplate& dialogTemplate) {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  dialog.window = window;
  gtk_window_set_title(GTK_WINDOW(window), dialogTemplate.caption);
  gtk_window_set_modal(GTK_WINDOW(window), TRUE);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_style_context_add_class(gtk_widget_get_style_context(window), kDialogClass);
  const std::string font = FontOf(dialogTemplate);
  const DialogBaseUnits base = BaseUnitsOf(window, font);
  const PixelRect size =
      DialogUnitsToPixels(base, 0, 0, dialogTemplate.width, dialogTemplate.height);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, size.width, size.height);
  gtk_container_add(GTK_CONTAINER(window), fixed);
  for (size_t i = 0; i < dialogTemplate.controlCount; ++i) {
    auto control = std::make_unique<Control>();
    control->dialog = &dialog;
    control->source = dialogTemplate.controls[i];
    control->widget = MakeWidget(*control);
    if (control->textWidget == nullptr) control->textWidget = control->widget;
    const DialogControl& source = control->source;
    const PixelRect place =
        DialogUnitsToPixels(base, source.x, source.y, source.width, source.height);
    gtk_widget_set_size_request(control->widget, place.width, place.height);
    ApplyFont(control->textWidget, font);
    gtk_fixed_put(GTK_FIXED(fixed), control->widget, place.x, place.y);
    if ((source.styles & kStyleDefault) != 0) {
      gtk_widget_set_can_default(control->widget, TRUE);
      gtk_window_set_default(GTK_WINDOW(window), control->widget);
    }
    dialog.controls.push_back(std::move(control));
  }
  g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), &dialog);
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), &dialog);
}

Control* Find(DialogHandle dialog, int32_t id) {
  if (dialog == nullptr) return nullptr;
  for (const auto& control : dialog->controls) {
    if (control->source.id == id) return control.get();
  }
  return nullptr;
}

void FlushEvents() {
  while (gtk_events_pending()) gtk_main_iteration();
}

intptr_t RunDialog(const DialogTemplate* dialogTemplate, DialogProc proc, intptr_t param) {
  if (dialogTemplate == nullptr || proc == nullptr) return -1;
  Dialog dialog;
  dialog.proc = proc;
  Build(dialog, *dialogTemplate);
  proc(&dialog, kMsgInitDialog, 0, param);
  if (!dialog.ended) {
    gtk_widget_show_all(dialog.window);
    const std::vector<GtkWidget*> stops = TabStops(dialog);
    if (!stops.empty()) gtk_widget_grab_focus(stops.front());
    dialog.loop = g_main_loop_new(nullptr, FALSE);
    g_main_loop_run(dialog.loop);
    g_main_loop_unref(dialog.loop);
  }
  gtk_widget_destroy(dialog.window);
  FlushEvents();
  return dialog.result;
}

void EndDialog(DialogHandle dialog, intptr_t result) {
  if (dialog == nullptr || dialog->ended) return;
  dialog->ended = true;
  dialog->result = result;
  if (dialog->loop != nullptr) g_main_loop_quit(dialog->loop);
}

int32_t SetItemText(DialogHandle dialog, int32_t id, const char* text) {
  Control* control = Find(dialog, id);
  if (control == nullptr || text == nullptr) return 0;
  GtkWidget* widget = control->textWidget;
  if (GTK_IS_ENTRY(widget)) {
    gtk_entry_set_text(GTK_ENTRY(widget), text);
  } else if (GTK_IS_LABEL(widget)) {
    gtk_label_set_text(GTK_LABEL(widget), WithoutCarriageReturns(text).c_str());
  } else if (GTK_IS_BUTTON(widget)) {
    gtk_button_set_label(GTK_BUTTON(widget), text);
  } else {
    return 0;
  }
  return 1;
}

const char* TextOf(GtkWidget* widget) {
  if (GTK_IS_ENTRY(widget)) return gtk_entry_get_text(GTK_ENTRY(widget));
  if (GTK_IS_LABEL(widget)) return gtk_label_get_text(GTK_LABEL(widget));
  if (GTK_IS_BUTTON(widget)) return gtk_button_get_label(GTK_BUTTON(widget));
  return nullptr;
}

int32_t GetItemText(DialogHandle dialog, int32_t id, char* text, int32_t capacity) {
  Control* control = Find(dialog, id);
  const char* value = control == nullptr ? nullptr : TextOf(control->textWidget);
  if (value == nullptr) value = "";
  const size_t length = std::strlen(value);
  if (text != nullptr && capacity > 0) {
    const size_t copied = std::min(length, static_cast<size_t>(capacity) - 1);
    std::memcpy(text, value, copied);
    text[copied] = '\0';
  }
  return static_cast<int32_t>(length);
}

intptr_t SendItemMessage(DialogHandle dialog, int32_t id, uint32_t message, uintptr_t wParam,
                         intptr_t lParam) {
  Control* control = Find(dialog, id);
  if (control == nullptr) return -1;
  GtkWidget* widget = control->widget;
  if (GTK_IS_COMBO_BOX_TEXT(widget)) {
    GtkComboBox* combo = GTK_COMBO_BOX(widget);
    GtkTreeModel* model = gtk_combo_box_get_model(combo);
    switch (message) {
      case kMsgListAddString:
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widget),
                                       reinterpret_cast<const char*>(lParam));
        return gtk_tree_model_iter_n_children(model, nullptr) - 1;
      case kMsgListSetSelection:
        gtk_combo_box_set_active(combo, static_cast<gint>(wParam));
        return static_cast<intptr_t>(wParam);
      case kMsgListGetSelection:
        return gtk_combo_box_get_active(combo);
      default:
        return -1;
    }
  }
  if (GTK_IS_SCALE(widget)) {
    GtkRange* range = GTK_RANGE(widget);
    switch (message) {
      case kMsgSliderSetPosition:
        gtk_range_set_value(range, static_cast<double>(lParam));
        return 0;
      case kMsgSliderGetPosition:
        return static_cast<intptr_t>(gtk_range_get_value(range) + 0.5);
      default:
        return -1;
    }
  }
  return -1;
}

void SetUserData(DialogHandle dialog, void* data) {
  if (dialog != nullptr) dialog->userData = data;
}

void* GetUserData(DialogHandle dialog) { return dialog == nullptr ? nullptr : dialog->userData; }

int32_t MessageBox(const char* text, const char* caption, uint32_t buttons) {
  const bool withCancel = buttons == kMbOkCancel;
  GtkWidget* box =
      gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                             withCancel ? GTK_BUTTONS_OK_CANCEL : GTK_BUTTONS_OK, "%s", text);
  gtk_window_set_title(GTK_WINDOW(box), caption);
  const gint response = gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  FlushEvents();
  return response == GTK_RESPONSE_OK || !withCancel ? kIdOk : kIdCancel;
}

const DialogModuleApi kApi = {kDialogModuleVersion, Start,       RunDialog,       EndDialog,
                              SetItemText,          GetItemText, SendItemMessage, SetUserData,
                              GetUserData,          MessageBox};

}  // namespace

}  // namespace zeb::ui

extern "C" __attribute__((visibility("default"))) const zeb::ui::DialogModuleApi*
ZEBDialogModuleApi() {
  return &zeb::ui::kApi;
}
