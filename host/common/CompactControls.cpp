// Dialogs laid out in fixed dialog units were drawn for controls about 12 units (20 px) tall; GTK's
// default theme pads entries and buttons to 34-40 px, so such a dialog either clips its controls or
// doubles in size. A dialog that asks for it gets the compact metrics of a classic desktop instead:
// the rules apply only below a window carrying the style class.
#include <gtk/gtk.h>

#include <wx/module.h>
#include <wx/window.h>

#include "hostlib/Controls.h"

namespace {

const char kCompactCss[] =
    ".relief3d-compact entry { min-height: 0; padding: 0 3px; }"
    ".relief3d-compact button { min-height: 0; min-width: 0; padding: 0 4px; }"
    ".relief3d-compact combobox button { padding: 0 4px; }"
    ".relief3d-compact checkbutton, .relief3d-compact radiobutton { min-height: 0; padding: 0; }"
    ".relief3d-compact check, .relief3d-compact radio { min-width: 12px; min-height: 12px; margin: 0 3px 0 0; }"
    ".relief3d-compact scale { padding: 3px 8px; }"
    ".relief3d-compact scale slider { min-width: 14px; min-height: 14px; margin: -6px; }";

class CompactControlsModule : public wxModule {
public:
  bool OnInit() override {
    GtkCssProvider* css = gtk_css_provider_new();
    if (gtk_css_provider_load_from_data(css, kCompactCss, -1, nullptr) && gdk_screen_get_default())
      gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                                GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);
    return true;
  }
  void OnExit() override {}

private:
  wxDECLARE_DYNAMIC_CLASS(CompactControlsModule);
};

wxIMPLEMENT_DYNAMIC_CLASS(CompactControlsModule, wxModule);

}  // namespace

void UseCompactControls(wxWindow* topLevel) {
  GtkWidget* widget = topLevel ? static_cast<GtkWidget*>(topLevel->GetHandle()) : nullptr;
  if (widget) gtk_style_context_add_class(gtk_widget_get_style_context(widget), "relief3d-compact");
}
