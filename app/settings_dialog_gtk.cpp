#include "app/settings_dialog_gtk.h"

#include <cmath>

#include "app/saver_icon.h"

namespace {
constexpr const char* kCaption = "Velmora";
constexpr int kTemplateWidth = 190;   // dialog units
constexpr int kTemplateHeight = 235;  // dialog units

// The template's font at 9 points, and paddings trimmed so that each control fits its box.
constexpr const char* kStyle =
    "window.velmora-settings, window.velmora-settings * {"
    "  font-family: \"IPAPGothic\"; font-size: 9pt; }"
    "window.velmora-settings button { padding: 0 4px; min-height: 0; }"
    "window.velmora-settings checkbutton, window.velmora-settings radiobutton {"
    "  padding: 0; }"
    "window.velmora-settings check, window.velmora-settings radio {"
    "  min-width: 12px; min-height: 12px; margin: 0 3px 0 0; }"
    "window.velmora-settings scale { padding: 0 6px; }";

// The check boxes and radio buttons, whose states the controller mirrors.
const int kToggleIds[] = {kIdDay,        kIdNight, kIdAutomatic, kIdUserControl, kIdLoops,
                          kIdBackground, kIdMusic, kId640x480,   kId800x600,     kId1024x768};

int ControlId(GtkWidget* widget) {
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), "velmora-control-id"));
}
}  // namespace

SettingsDialogGtk::SettingsDialogGtk(SettingsDialog* controller) : m_pController(controller) {}

SettingsDialogGtk::~SettingsDialogGtk() {
    if (!m_pWindow)
        return;
    gtk_widget_destroy(m_pWindow);
    // Nothing iterates GTK after the dialog, so send the destruction to the display now.
    gdk_display_flush(gdk_display_get_default());
}

GtkWidget* SettingsDialogGtk::Put(GtkWidget* widget, int id, int x, int y, int width, int height) {
    gtk_fixed_put(GTK_FIXED(m_pFixed), widget, static_cast<int>(std::lround(x * m_fUnitX)),
                  static_cast<int>(std::lround(y * m_fUnitY)));
    gtk_widget_set_size_request(widget, static_cast<int>(std::lround(width * m_fUnitX)),
                                static_cast<int>(std::lround(height * m_fUnitY)));
    if (id) {
        g_object_set_data(G_OBJECT(widget), "velmora-control-id", GINT_TO_POINTER(id));
        m_controls[id] = widget;
    }
    return widget;
}

void SettingsDialogGtk::Build() {
    GtkCssProvider* css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(css);

    m_pWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_style_context_add_class(gtk_widget_get_style_context(m_pWindow), "velmora-settings");
    gtk_window_set_title(GTK_WINDOW(m_pWindow), kCaption);
    gtk_window_set_resizable(GTK_WINDOW(m_pWindow), FALSE);
    gtk_window_set_modal(GTK_WINDOW(m_pWindow), TRUE);
    gtk_window_set_type_hint(GTK_WINDOW(m_pWindow), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_position(GTK_WINDOW(m_pWindow), GTK_WIN_POS_CENTER);
    SetSaverIcon(GTK_WINDOW(m_pWindow));
    g_signal_connect(m_pWindow, "realize", G_CALLBACK(OnRealize), nullptr);
    g_signal_connect(m_pWindow, "key-press-event", G_CALLBACK(OnKeyPress), this);
    g_signal_connect(m_pWindow, "delete-event", G_CALLBACK(OnDelete), this);

    // Dialog units from the font's average character width and height, as Windows derives
    // them: a unit is a quarter of the width and an eighth of the height.
    PangoLayout* layout = gtk_widget_create_pango_layout(
        m_pWindow, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int textWidth = 0;
    int textHeight = 0;
    pango_layout_get_pixel_size(layout, &textWidth, &textHeight);
    g_object_unref(layout);
    if (textWidth > 0 && textHeight > 0) {
        m_fUnitX = ((textWidth + 26) / 52) / 4.0;
        m_fUnitY = textHeight / 8.0;
    }

    m_pFixed = gtk_fixed_new();
    gtk_widget_set_size_request(m_pFixed, static_cast<int>(std::lround(kTemplateWidth * m_fUnitX)),
                                static_cast<int>(std::lround(kTemplateHeight * m_fUnitY)));
    gtk_container_add(GTK_CONTAINER(m_pWindow), m_pFixed);

    // Group boxes first, so that the controls inside them draw on top.
    Put(gtk_frame_new("動作"), 0, 9, 45, 169, 75);
    Put(gtk_frame_new("解像度"), 0, 9, 128, 169, 45);
    Put(gtk_frame_new("鳥の数"), 0, 9, 183, 169, 45);

    GtkWidget* start = Put(gtk_button_new_with_label("起動"), kIdStart, 130, 7, 50, 14);
    GtkWidget* cancel = Put(gtk_button_new_with_label("ｷｬﾝｾﾙ"), kIdCancel, 130, 24, 50, 14);
    g_signal_connect(start, "clicked", G_CALLBACK(OnButtonClicked), this);
    g_signal_connect(cancel, "clicked", G_CALLBACK(OnButtonClicked), this);
    gtk_widget_set_can_default(start, TRUE);
    gtk_window_set_default(GTK_WINDOW(m_pWindow), start);

    GtkWidget* credit = Put(gtk_label_new(""), kIdCredit, 13, 9, 113, 11);
    gtk_label_set_justify(GTK_LABEL(credit), GTK_JUSTIFY_CENTER);
    gtk_label_set_xalign(GTK_LABEL(credit), 0.5f);

    GtkWidget* day =
        Put(gtk_radio_button_new_with_label(nullptr, "DaySignal"), kIdDay, 16, 55, 45, 15);
    Put(gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(day), "NightSignal"), kIdNight,
        68, 56, 45, 15);
    GtkWidget* automatic =
        Put(gtk_radio_button_new_with_label(nullptr, "自動モード"), kIdAutomatic, 16, 71, 45, 15);
    Put(gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(automatic), "ユーザー操作"),
        kIdUserControl, 68, 71, 52, 15);
    Put(gtk_check_button_new_with_label("宙返り"), kIdLoops, 17, 95, 35, 10);
    Put(gtk_check_button_new_with_label("背景表示（動作重）"), kIdBackground, 54, 95, 71, 10);
    Put(gtk_check_button_new_with_label("環境音"), kIdMusic, 128, 95, 37, 10);

    GtkWidget* low =
        Put(gtk_radio_button_new_with_label(nullptr, "640*480"), kId640x480, 17, 145, 45, 20);
    Put(gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(low), "800*600"), kId800x600,
        65, 146, 45, 20);
    Put(gtk_radio_button_new_with_label_from_widget(GTK_RADIO_BUTTON(low), "1024*768"), kId1024x768,
        119, 146, 45, 20);
    for (int id : kToggleIds)
        g_signal_connect(m_controls[id], "clicked", G_CALLBACK(OnToggleClicked), this);

    // The trackbar: no tick marks and no value of its own; label 1062 shows the position.
    GtkWidget* scale =
        Put(gtk_scale_new(GTK_ORIENTATION_HORIZONTAL, nullptr), kIdBirdTrackbar, 15, 202, 130, 20);
    gtk_scale_set_draw_value(GTK_SCALE(scale), FALSE);
    gtk_scale_set_digits(GTK_SCALE(scale), 0);
    gtk_widget_set_can_focus(scale, TRUE);
    g_signal_connect(scale, "value-changed", G_CALLBACK(OnScaleChanged), this);

    GtkWidget* count = Put(gtk_label_new("Static"), kIdBirdLabel, 150, 197, 25, 25);
    gtk_label_set_xalign(GTK_LABEL(count), 0.5f);
    gtk_label_set_yalign(GTK_LABEL(count), 0.5f);
}

GtkWidget* SettingsDialogGtk::Control(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void SettingsDialogGtk::Show() {
    m_pController->Procedure(kWmInitDialog, 0, 0);
    LoadFromController();
    gtk_widget_show_all(m_pWindow);
    gtk_widget_grab_focus(Control(kIdStart));
}

int SettingsDialogGtk::RunModal() {
    while (!m_pController->HasEnded())
        gtk_main_iteration();
    gtk_widget_hide(m_pWindow);
    while (gtk_events_pending())
        gtk_main_iteration();
    return m_pController->Result();
}

void SettingsDialogGtk::Forward(unsigned message, uint32_t wParam, intptr_t lParam) {
    if (m_bLoading || m_pController->HasEnded())
        return;
    MirrorIntoController();
    m_pController->Procedure(message, wParam, lParam);
    ShowLabels();
}

void SettingsDialogGtk::MirrorIntoController() {
    for (int id : kToggleIds)
        m_pController->SetChecked(
            id, gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(m_controls[id])) ? 1 : 0);
    const double pos = gtk_range_get_value(GTK_RANGE(m_controls[kIdBirdTrackbar]));
    m_pController->SetTrackbarPos(static_cast<int>(std::lround(pos)));
}

void SettingsDialogGtk::LoadFromController() {
    m_bLoading = true;
    for (int id : kToggleIds)
        gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_controls[id]),
                                     m_pController->IsChecked(id) == 1);
    GtkRange* range = GTK_RANGE(m_controls[kIdBirdTrackbar]);
    gtk_range_set_range(range, m_pController->TrackbarMin(), m_pController->TrackbarMax());
    // Arrow keys move the thumb by one, page keys by a fifth of the range, as a trackbar does.
    gtk_range_set_increments(range, 1.0,
                             (m_pController->TrackbarMax() - m_pController->TrackbarMin()) / 5);
    gtk_range_set_value(range, m_pController->TrackbarPos());
    ShowLabels();
    m_bLoading = false;
}

void SettingsDialogGtk::ShowLabels() {
    for (int id : {kIdCredit, kIdBirdLabel}) {
        const std::string& text = m_pController->Text(id);
        if (!text.empty())
            gtk_label_set_text(GTK_LABEL(m_controls[id]), text.c_str());
    }
}

void SettingsDialogGtk::OnButtonClicked(GtkButton* button, gpointer self) {
    static_cast<SettingsDialogGtk*>(self)->Forward(kWmCommand, ControlId(GTK_WIDGET(button)), 0);
}

void SettingsDialogGtk::OnToggleClicked(GtkButton* button, gpointer self) {
    // A radio button that a click in its group turned off is not the one that was clicked.
    if (GTK_IS_RADIO_BUTTON(button) && !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)))
        return;
    static_cast<SettingsDialogGtk*>(self)->Forward(kWmCommand, ControlId(GTK_WIDGET(button)), 0);
}

void SettingsDialogGtk::OnScaleChanged(GtkRange*, gpointer self) {
    static_cast<SettingsDialogGtk*>(self)->Forward(kWmHScroll, 0, kIdBirdTrackbar);
}

gboolean SettingsDialogGtk::OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self) {
    SettingsDialogGtk* view = static_cast<SettingsDialogGtk*>(self);
    switch (event->keyval) {
        case GDK_KEY_Escape:
            view->Forward(kWmCommand, kIdCancel, 0);
            return TRUE;
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter: {
            // Return presses the focused push button, and the default button anywhere else.
            GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(widget));
            const int id = focus == view->Control(kIdCancel) ? kIdCancel : kIdStart;
            view->Forward(kWmCommand, id, 0);
            return TRUE;
        }
        default:
            return FALSE;
    }
}

gboolean SettingsDialogGtk::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
    static_cast<SettingsDialogGtk*>(self)->Forward(kWmCommand, kIdCancel, 0);
    return TRUE;  // the view hides and destroys its window itself
}

void SettingsDialogGtk::OnRealize(GtkWidget* widget, gpointer) {
    GdkWindow* window = gtk_widget_get_window(widget);
    gdk_window_set_functions(window, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
    gdk_window_set_decorations(
        window, static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
}

void SetSaverIcon(GtkWindow* window) {
    BmpImage icon;
    if (!window || !LoadSaverIcon(&icon))
        return;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, static_cast<int>(icon.width),
                                       static_cast<int>(icon.height));
    if (!pixbuf)
        return;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (UINT y = 0; y < icon.height; ++y)
        for (UINT x = 0; x < icon.width; ++x) {
            const BYTE* from = &icon.bgra[(y * icon.width + x) * 4];
            guchar* to = pixels + y * stride + x * 4;
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            to[3] = from[3];
        }
    gtk_window_set_icon(window, pixbuf);  // the window holds its own reference
    g_object_unref(pixbuf);
}

int ShowSettingsDialog(SaverSettings* settings) {
    // Keep the C locale: the scene parses and formats numbers with '.' whatever the desktop's
    // language is. GTK shows the UTF-8 labels all the same.
    gtk_disable_setlocale();
    if (!gtk_init_check(nullptr, nullptr))
        return 0;
    SettingsDialog controller(settings);
    SettingsDialogGtk view(&controller);
    view.Build();
    view.Show();
    return view.RunModal();
}
