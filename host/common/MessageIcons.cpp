// GTK 3 dropped the icon from its message dialogs; a warning or error box reads as plain text
// without it. Every GtkMessageDialog of the process gets the icon of its message type back as it
// is shown, whoever created it (wx's message boxes, validation messages).
#include <gtk/gtk.h>

#include <wx/module.h>

namespace {

const char* icon_for(GtkMessageType type) {
  switch (type) {
    case GTK_MESSAGE_INFO: return "dialog-information";
    case GTK_MESSAGE_WARNING: return "dialog-warning";
    case GTK_MESSAGE_QUESTION: return "dialog-question";
    case GTK_MESSAGE_ERROR: return "dialog-error";
    default: return nullptr;
  }
}

G_GNUC_BEGIN_IGNORE_DEPRECATIONS
gboolean on_show(GSignalInvocationHint*, guint count, const GValue* params, gpointer) {
  if (count < 1 || !G_VALUE_HOLDS_OBJECT(&params[0])) return TRUE;
  GObject* object = G_OBJECT(g_value_get_object(&params[0]));
  if (!GTK_IS_MESSAGE_DIALOG(object)) return TRUE;
  GtkMessageDialog* dialog = GTK_MESSAGE_DIALOG(object);
  GtkMessageType type = GTK_MESSAGE_OTHER;
  g_object_get(dialog, "message-type", &type, nullptr);
  const char* name = icon_for(type);
  if (!name || g_object_get_data(object, "relief3d-icon")) return TRUE;
  GtkWidget* image = gtk_image_new_from_icon_name(name, GTK_ICON_SIZE_DIALOG);
  gtk_widget_set_valign(image, GTK_ALIGN_START);
  gtk_message_dialog_set_image(dialog, image);
  gtk_widget_show(image);
  g_object_set_data(object, "relief3d-icon", image);
  return TRUE;  // stay installed
}
G_GNUC_END_IGNORE_DEPRECATIONS

// Runs once wx has started GTK (modules initialise after the toolkit), in the host and in tests.
class MessageIconsModule : public wxModule {
public:
  bool OnInit() override {
    gpointer widgetClass = g_type_class_ref(GTK_TYPE_WIDGET);
    const guint show = g_signal_lookup("show", GTK_TYPE_WIDGET);
    if (show) g_signal_add_emission_hook(show, 0, &on_show, nullptr, nullptr);
    g_type_class_unref(widgetClass);
    return true;
  }
  void OnExit() override {}

private:
  wxDECLARE_DYNAMIC_CLASS(MessageIconsModule);
};

wxIMPLEMENT_DYNAMIC_CLASS(MessageIconsModule, wxModule);

}  // namespace
