// The engine floor of the start-up benchmark: the least a program can do to show a page with
// the system web view. One GTK window holding one WebKitGTK web view with the engine's
// default settings, nothing else (no toolbar, no settings store, no configuration). What the
// real program costs on top of this is what the benchmark measures.
//
// Usage: wb_engine_floor URL [WIDTH HEIGHT]
#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s URL [WIDTH HEIGHT]\n", argv[0]);
    return 2;
  }
  gtk_init(&argc, &argv);
  const int width = argc >= 4 ? std::atoi(argv[2]) : 1024;
  const int height = argc >= 4 ? std::atoi(argv[3]) : 768;

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), width > 0 ? width : 1024,
                              height > 0 ? height : 768);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  GtkWidget* view = webkit_web_view_new();
  gtk_container_add(GTK_CONTAINER(window), view);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), argv[1]);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
