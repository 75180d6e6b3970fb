// The GTK 3 view of the settings dialog: the widgets of dialog resource 176, laid out after its
// template in dialog units, and a modal run that forwards the widgets' signals to the
// toolkit-free controller (app/settings_dialog.h) as WM_INITDIALOG, WM_HSCROLL and WM_COMMAND.
// Owns: the GTK window and its widgets, mirroring widget states into the controller before each
// message and the controller's label texts back afterwards.
// Does not: decide anything about the settings (the controller does); persist anything.
// Needs: GTK 3 with an X11 or Wayland display; the IPAPGothic font (fonts-ipafont-gothic).
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <map>

#include "app/settings_dialog.h"

class SettingsDialogGtk {
  public:
    explicit SettingsDialogGtk(SettingsDialog* controller);
    ~SettingsDialogGtk();
    SettingsDialogGtk(const SettingsDialogGtk&) = delete;
    SettingsDialogGtk& operator=(const SettingsDialogGtk&) = delete;

    // Builds the window and its widgets; GTK must already be initialised.
    void Build();
    // Sends WM_INITDIALOG, loads the controls from the controller, then shows the window.
    void Show();
    // Runs GTK's event loop until the controller has ended, hides the window and returns the
    // controller's result.
    int RunModal();

    // The widget of a control id (GtkButton, GtkRadioButton, GtkCheckButton, GtkScale or
    // GtkLabel), or nullptr for an id the template does not have.
    GtkWidget* Control(int id) const;
    GtkWidget* Window() const { return m_pWindow; }

  private:
    GtkWidget* Put(GtkWidget* widget, int id, int x, int y, int width, int height);
    void Forward(unsigned message, uint32_t wParam, intptr_t lParam);
    void MirrorIntoController();
    void LoadFromController();
    void ShowLabels();

    static void OnButtonClicked(GtkButton* button, gpointer self);
    static void OnToggleClicked(GtkButton* button, gpointer self);
    static void OnScaleChanged(GtkRange* range, gpointer self);
    static gboolean OnKeyPress(GtkWidget* widget, GdkEventKey* event, gpointer self);
    static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    // A dialog's hints for the window manager: moved and closed, never minimised, maximised
    // or resized (only a close box on the title bar).
    static void OnRealize(GtkWidget* widget, gpointer unused);

    SettingsDialog* m_pController;
    GtkWidget* m_pWindow = nullptr;
    GtkWidget* m_pFixed = nullptr;
    std::map<int, GtkWidget*> m_controls;
    double m_fUnitX = 1.5;    // pixels per horizontal dialog unit
    double m_fUnitY = 1.5;    // pixels per vertical dialog unit
    bool m_bLoading = false;  // true while the view writes widgets, so no messages go out
};

// The saver's icon (app/saver_icon.h) on a GTK window; without a readable icon nothing changes.
void SetSaverIcon(GtkWindow* window);

// The dialog program's dialog: opens the display, runs the dialog over the settings and returns
// its result (1 start, 2 cancel), or 0 when GTK cannot open a display.
int ShowSettingsDialog(SaverSettings* settings);
