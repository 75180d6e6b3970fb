// A check of the sanitizer build itself: a program that leaks on purpose from a callback that
// GLib calls, with GLib's frames on the stack, must still be reported despite lsan.supp.
#include <glib.h>

namespace {
char* volatile g_sink = nullptr;

void LeakFromCallback(gpointer, gpointer) {
    g_sink = new char[48];
}
}  // namespace

int main() {
    GList* list = g_list_append(nullptr, nullptr);
    g_list_foreach(list, LeakFromCallback, nullptr);
    g_list_free(list);
    g_sink = nullptr;  // no root keeps the block reachable
    return 0;
}
